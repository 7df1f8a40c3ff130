#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Turns the PDF of a document into the picture of its first page. The office
// writes a PDF in about 10 ms where its own picture export takes 170 ms or
// more; the program renders that PDF in its own process. Shared with the
// engine module, which calls it: it has no LibreOffice types.
class PagePictureRenderer
{
public:
    virtual ~PagePictureRenderer() = default;
    // The first page scaled to exactly `pixels`, opaque, on white paper. A
    // null image when the PDF cannot be read; `problem` then says why.
    virtual QImage renderFirstPage(const QByteArray &pdf, QSize pixels, QString *problem) = 0;
};
