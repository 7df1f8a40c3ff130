#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

// What a test needs to know of a PDF: each page's size and where its words
// are, in points measured from the page's top-left corner (read with poppler).
struct PdfWord
{
    QString text;
    QRectF box;
};

struct PdfPage
{
    QSizeF size;
    QList<PdfWord> words;
    QString text; // the words joined by blanks
};

// The pages of the PDF; a test failure (and no pages) when it cannot be read.
QList<PdfPage> ReadPdfPages(const QString &path);

// The Avery 5164 label (0..5, reading order) whose 4 x 3-1/3 inch area on a
// Letter page holds the box wholly, or -1: two columns 4 inches wide from
// 0.15625 and 4.34375 inches, three rows 3-1/3 inches high from 0.5 inch.
int AveryCellOf(const QRectF &box);

// The cells holding the words equal to `word`, in reading order of the words.
QList<int> AveryCellsOfWord(const PdfPage &page, const QString &word);

// A page rendered at the given resolution (white paper), for checks of
// where ink lands on pages whose letters are drawn as shapes (printed pages).
QImage RenderPdfPage(const QString &path, int page, double dpi);

// The smallest rectangle holding every dark pixel of the area, in pixels;
// empty when the area holds none.
QRect InkBounds(const QImage &image, const QRect &area);

// An Avery 5164 label's area (0..5) in pixels at the given resolution.
QRect AveryCellPixels(int cell, double dpi);

// A PDF written by hand, for tests of what reads or joins PDFs: Letter pages
// whose words are set in one non-embedded font each (a name such as
// "AAAAAA+Helvetica" makes it look like an office's font subset), each word's
// baseline starting at a point given from the page's top-left corner.
struct HandWord
{
    QString text; // Latin-1
    QPointF baseline;
    double points = 12;
};

struct HandPage
{
    QList<HandWord> words;
    QByteArray fontName = "Helvetica";
};

QByteArray HandMadePdf(const QList<HandPage> &pages);
