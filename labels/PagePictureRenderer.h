#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <cmath>

// The page picture the preview shows: 1472 x 1904 pixels for a US Letter
// page (612 x 792 pt), other pages at the same pixels per point, stamped
// 384 dpi (four times a 96 dpi screen) for the preview's scale.
inline QSize PagePicturePixels(QSizeF points)
{
    constexpr double kPixelsPerPoint = 1904.0 / 792.0;
    // Rounded up, less a trace, so that Letter's 1471.27 x 1904 is 1472 x 1904.
    return QSize(int(std::ceil(points.width() * kPixelsPerPoint - 1e-6)),
                 int(std::ceil(points.height() * kPixelsPerPoint - 1e-6)));
}
inline constexpr int kPagePictureDotsPerMetre = 15118;

// Turns the PDF of a document into the picture of its first page. The office
// writes a PDF in about 10 ms where its own picture export takes 170 ms or
// more; the program renders that PDF in its own process. Shared with the
// engine module, which calls it: it has no LibreOffice types.
class PagePictureRenderer
{
public:
    virtual ~PagePictureRenderer() = default;
    // The first page at PagePicturePixels of its size, opaque, on white
    // paper, stamped kPagePictureDotsPerMetre. A null image when the PDF
    // cannot be read; `problem` then says why.
    virtual QImage renderFirstPage(const QByteArray &pdf, QString *problem) = 0;
};
