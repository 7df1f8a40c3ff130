#pragma once

#include "labels/PagePictureRenderer.h"

// The page picture through poppler's Qt binding, with the smoothing an
// office picture export has (antialiased text and lines).
class PopplerPageRenderer : public PagePictureRenderer
{
public:
    QImage renderFirstPage(const QByteArray &pdf, QString *problem) override;
};

namespace Poppler {
class Document;
}

// Page `index` (from 0) of a PDF as the page picture (see PagePicturePixels);
// a null image when it cannot be rendered. Sets the document's render hints.
QImage RenderPagePicture(Poppler::Document &document, int index);
