#pragma once

#include "labels/LabelStock.h"

#include <QString>
#include <QStringList>

class QWidget;
class StockSetting;
struct Services;

// Printing and saving as PDF from the preview. `listPdf` is the PDF of a
// list's sheets, all made; empty, the one sheet in `document` (the Word file
// shown) is made into a PDF first. Each reports its failures through one
// Procedure, with `parent` as the dialogs' parent.

// Through the system's print dialog, at actual size on `stock`'s paper;
// `sheets` pages to offer.
void PrintSheets(Services &services, QWidget *parent, const QString &document, const QString &listPdf, int sheets,
                 const LabelStock &stock);

// Under the user's name as given (".pdf" added only to a name without any
// extension); an existing file is replaced only after a Yes and only once the
// new one is complete.
void SaveSheetsAsPdf(Services &services, QWidget *parent, const QString &document, const QString &listPdf);

// On a sheet with some labels used already: the user picks where the twelve
// `fields` go and on which stock (remembered in `stockSetting`, when there
// is one), and the sheet is made and printed at once.
void PrintTypedLabels(Services &services, QWidget *parent, const QStringList &fields, StockSetting *stockSetting);
