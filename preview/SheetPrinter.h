#pragma once

#include "labels/LabelStock.h"

#include <QPageSize>

class QPrinter;
class QString;

// The paper of a page this size in points, as the print system names it
// (US Letter, A4, 4 x 6 in ...), in portrait.
QPageSize LabelPaper(QSizeF points);

// Sets a printer up for a label sheet: the stock's paper, portrait, and the
// whole sheet of paper as the page, so that nothing is placed relative to a
// printer's margins.
void PrepareLabelPrinter(QPrinter &printer, const LabelStock &stock = DefaultStock());

// Puts the label stock's paper, in portrait, back on a printer a print
// dialog has set up: the dialog gives it the queue's default paper (A4 in
// much of the world), on which a Letter sheet would go out as an A4 job.
void KeepLabelPaper(QPrinter &printer, const QPageSize &paper);

// Prints every page of a PDF at its actual size on the label stock's paper
// (the size of the PDF's first page):
// one point of the PDF is one point on paper, measured from the paper's
// top-left corner, and the print system is asked not to scale. A printer's margins may clip the page's
// edges but never shrink it, so the labels land on the label stock. A page
// range chosen in the print dialog prints those pages only.
// Throws Failure.
void PrintPdfAtActualSize(const QString &pdfPath, QPrinter &printer);
