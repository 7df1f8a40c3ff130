#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "labels/LabelPlan.h"
#include "labels/SheetFormats.h"
#include "labels/WordApplication.h"

#include <functional>
#include <optional>

// Label sheets made without a window: for the command line, address lists
// and the preview's PDF and printing.

// A PDF of this many sheets or more is laid out by two engine instances at
// once (see MakeLabelSheets).
inline constexpr qsizetype kSheetsForTwoOffices = 150;

// The sheets as two engine instances share them: the running one takes the
// first part, larger by its head start over one started for the job; under
// kSheetsForTwoOffices sheets it takes them all and the second part is empty.
struct SheetParts
{
    QList<SheetLabels> first;
    QList<SheetLabels> second;
};
SheetParts PartSheetsForTwoOffices(const QList<SheetLabels> &sheets);

// Writes the sheets, in order, one per page, as one document at `output` in
// the format its extension names (SheetFormatOf). Each label shows its own
// texts (see SheetLabels; an empty label is left blank, without a sender)
// in the layout of the stock's label template (TemplateOf). The document is put together in one pass
// (SheetsXml) and loaded and stored once by one engine instance; a long
// list's PDF in two parts by two instances at once (createHelperApplication),
// joined (JoinPdfs).
//
// No label is printed cut: a label whose text does not lie whole inside it
// (LabelFit) gets smaller text, step by step; when the smallest is not
// small enough either, LabelsCutOff names the label and the field to shorten.
//
// `afterSheet` runs after each sheet is put together, and once more (with
// the last sheet's number) before the document is put in place; it may
// throw to stop the run. Throws Failure; `output` is then left as it was (see
// WriteFileSafely). May run on any thread.
void MakeLabelSheets(EngineFactory &engines, const QList<SheetLabels> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet = {},
                     const LabelStock &stock = DefaultStock());
// The same for whole sheets: every label with the same twelve field texts.
void MakeLabelSheets(EngineFactory &engines, const QList<QStringList> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet = {},
                     const LabelStock &stock = DefaultStock());

// Writes the document again at `target` in the given format (a PDF of a
// generated sheet, for instance). Throws Failure; `target` is then left as
// it was.
void ConvertDocument(EngineFactory &engines, const QString &document, const QString &target, DocumentFormat format);
