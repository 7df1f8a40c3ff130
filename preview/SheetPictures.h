#pragma once

#include <QImage>
#include <QString>

#include <memory>

namespace Poppler {
class Document;
}

// The page pictures of a PDF of label sheets, as the preview shows a sheet
// (the page picture of PagePicturePixels), rendered with poppler when asked for.
class SheetPictures
{
public:
    // Throws Failure when the PDF cannot be read or has no page.
    explicit SheetPictures(const QString &pdf);
    ~SheetPictures();

    int count() const;
    // Page `index` (from 0). Throws Failure.
    QImage picture(int index) const;

private:
    std::unique_ptr<Poppler::Document> m_document;
};
