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

// Fills the label template once per entry of `sheets` (twelve field texts
// each) exactly as "Start Creating Template" does, and writes all sheets, in
// order, one per page, as one document at `output` in the format its
// extension names (SheetFormatOf). One engine instance serves all sheets. `afterSheet` runs
// after each sheet is filled and may throw to stop the run. Throws Failure;
// `output` is then left as it was (see WriteReplacing).
void MakeLabelSheets(EngineFactory &engines, const QList<QStringList> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet = {});

// The sheets as PlanSheets lays them out, each label with its own address.
// Throws LabelsCutOff (labels/LabelFit.h) when a label does not fit even at
// the smallest text size, Failure otherwise; `output` is then left as it was.
// STAND-IN until the sheet builder fills labels one by one: only sheets whose
// six labels hold one and the same US address can be made.
void MakeLabelSheets(EngineFactory &engines, const QList<SheetLabels> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet = {});

// Writes the document again at `target` in the given format (a PDF of a
// generated sheet, for instance). Throws Failure; `target` is then left as
// it was.
void ConvertDocument(EngineFactory &engines, const QString &document, const QString &target, DocumentFormat format);

// Has `write` write a complete file under a fresh name beside `target` (same
// folder, same extension) and renames it over `target` only when `write`
// returned. On a failure the fresh file is removed and an existing `target`
// stays exactly as it was. A new file gets the usual permissions, a
// replaced one keeps its own. Throws Failure.
void WriteReplacing(const QString &target, const std::function<void(const QString &freshName)> &write);
