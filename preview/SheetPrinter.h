#pragma once

class QPrinter;
class QString;

// Sets a printer up for a label sheet: US Letter, portrait, and the whole
// sheet of paper as the page, so that nothing is placed relative to a
// printer's margins.
void PrepareLabelPrinter(QPrinter &printer);

// Prints every page of a PDF at its actual size: one point of the PDF is one
// point on paper, measured from the paper's top-left corner, and the print
// system is asked not to scale. A printer's margins may clip the page's
// edges but never shrink it, so the labels land on the label stock. A page
// range chosen in the print dialog prints those pages only.
// Throws Failure.
void PrintPdfAtActualSize(const QString &pdfPath, QPrinter &printer);
