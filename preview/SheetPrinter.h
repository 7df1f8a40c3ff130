#pragma once

class QPrinter;
class QString;

// Sets a printer up for a label sheet: US Letter, portrait, and the whole
// sheet of paper as the page, so that nothing is placed relative to a
// printer's margins.
void PrepareLabelPrinter(QPrinter &printer);

// Puts the label stock's paper, US Letter in portrait, back on a printer a
// print dialog has set up: the dialog gives it the queue's default paper
// (A4 in much of the world), on which the sheet would go out as an A4 job.
void KeepLabelPaper(QPrinter &printer);

// Prints every page of a PDF at its actual size on the label stock's paper:
// one point of the PDF is one point on paper, measured from the paper's
// top-left corner, and the print system is asked not to scale. A printer's margins may clip the page's
// edges but never shrink it, so the labels land on the label stock. A page
// range chosen in the print dialog prints those pages only.
// Throws Failure.
void PrintPdfAtActualSize(const QString &pdfPath, QPrinter &printer);
