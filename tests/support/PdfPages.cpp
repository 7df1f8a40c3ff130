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

QByteArray HandMadePdf(const QList<HandPage> &pages)
{
    // Objects 1 (catalog) and 2 (page tree), then per page: page, contents, font.
    QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>", {}};
    QByteArray kids;
    for (const HandPage &page : pages) {
        const int first = int(objects.size()) + 1;
        kids += QByteArray::number(first) + " 0 R ";
        QByteArray content;
        for (const HandWord &word : page.words) {
            QByteArray text = word.text.toLatin1();
            text.replace('\\', "\\\\").replace('(', "\\(").replace(')', "\\)");
            content += "BT /F1 " + QByteArray::number(word.points) + " Tf " + QByteArray::number(word.baseline.x())
                + ' ' + QByteArray::number(792 - word.baseline.y()) + " Td (" + text + ") Tj ET\n";
        }
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " + QByteArray::number(first + 1)
                + " 0 R /Resources << /Font << /F1 " + QByteArray::number(first + 2) + " 0 R >> >> >>";
        objects << "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream";
        objects << "<< /Type /Font /Subtype /Type1 /BaseFont /" + page.fontName + " /Encoding /WinAnsiEncoding >>";
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) + " >>";
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}
