#include "tests/support/PdfPages.h"

#include <poppler-qt6.h>

#include <QPainter>
#include <QStringList>
#include <QTest>

QList<PdfPage> ReadPdfPages(const QString &path)
{
    QList<PdfPage> pages;
    std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(path);
    if (!pdf || pdf->isLocked()) {
        QTest::qFail(qPrintable(QStringLiteral("%1 is not a readable PDF").arg(path)), __FILE__, __LINE__);
        return pages;
    }
    for (int i = 0; i < pdf->numPages(); ++i) {
        std::unique_ptr<Poppler::Page> page = pdf->page(i);
        PdfPage read;
        read.size = page->pageSizeF();
        QStringList texts;
        for (const std::unique_ptr<Poppler::TextBox> &box : page->textList()) {
            read.words.append({box->text(), box->boundingBox()});
            texts << box->text();
        }
        read.text = texts.join(QLatin1Char(' '));
        pages.append(read);
    }
    return pages;
}

namespace {

// In points: labels 4 inches wide from 0.15625 and 4.34375 inches, rows
// 3-1/3 inches high from 0.5 inch.
QRectF averyCell(int cell)
{
    const double left = cell % 2 ? 312.75 : 11.25;
    return QRectF(left, 36.0 + (cell / 2) * 240.0, 288.0, 240.0);
}

} // namespace

int AveryCellOf(const QRectF &box)
{
    for (int cell = 0; cell < 6; ++cell) {
        if (averyCell(cell).contains(box))
            return cell;
    }
    return -1;
}

QRect AveryCellPixels(int cell, double dpi)
{
    const QRectF points = averyCell(cell);
    const double scale = dpi / 72.0;
    return QRectF(points.topLeft() * scale, points.size() * scale).toAlignedRect();
}

QImage RenderPdfPage(const QString &path, int page, double dpi)
{
    std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(path);
    if (!pdf || page >= pdf->numPages())
        return QImage();
    QImage image = pdf->page(page)->renderToImage(dpi, dpi);
    QImage white(image.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    QPainter(&white).drawImage(0, 0, image);
    return white;
}

QRect InkBounds(const QImage &image, const QRect &area)
{
    QRect bounds;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

QList<int> AveryCellsOfWord(const PdfPage &page, const QString &word)
{
    QList<int> cells;
    for (const PdfWord &w : page.words) {
        if (w.text == word)
            cells << AveryCellOf(w.box);
    }
    return cells;
}
