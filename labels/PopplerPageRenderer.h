#pragma once

#include "labels/PagePictureRenderer.h"

// The page picture through poppler's Qt binding, with the smoothing an
// office picture export has (antialiased text and lines).
class PopplerPageRenderer : public PagePictureRenderer
{
public:
    QImage renderFirstPage(const QByteArray &pdf, QSize pixels, QString *problem) override;
};
