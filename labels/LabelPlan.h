#pragma once

#include "labels/LabelStock.h"

#include <QList>
#include <QStringList>

// Where addresses go on the sheets: one address per label in reading order
// (label 1 top left, 2 to its right, ...), a new sheet after the stock's
// last label. The same arithmetic serves the command line, the window's
// lists and a single address printed on a partly used sheet.

// A sheet's labels in reading order, as many as the stock has. Each holds the twelve field texts
// of its label (sender 1..6, recipient 7..12) and, as a 13th text where the
// recipient is abroad, the country line printed under the city line (absent
// or empty for a US address); an empty list is a label left completely blank.
using SheetLabels = QList<QStringList>;

struct LabelPlacement
{
    int start = 1;  // the first free label of the first sheet, 1..labelsPerSheet
    int copies = 1; // labels in a row for each address, 1 or more
    int labelsPerSheet = DefaultStock().labels();
};

// The labels and sheets that `addresses` addresses take with `placement`.
// The labels before `start` count as used (they are part of the first sheet).
qsizetype LabelsTaken(qsizetype addresses, LabelPlacement placement);
qsizetype SheetsTaken(qsizetype addresses, LabelPlacement placement);

// The sheets for `addresses` (twelve field texts each) placed as asked: the
// labels before `start` and those after the last address are blank.
// Nothing for no addresses. `placement` must be valid (see isValid).
QList<SheetLabels> PlanSheets(const QList<QStringList> &addresses, LabelPlacement placement);

// The sheet and label (both from 1) of the k-th label made (k from 0).
struct LabelPosition
{
    qsizetype sheet = 1;
    int label = 1;
};
LabelPosition PositionOfLabel(qsizetype k, LabelPlacement placement);

// The other way round: which address (from 0) the label at `position` holds,
// one of `addresses`; a position before the first address gives the first.
qsizetype AddressAtLabel(LabelPosition position, LabelPlacement placement, qsizetype addresses);

// start 1..labelsPerSheet, copies 1..kMaxCopies.
bool IsValidPlacement(LabelPlacement placement);
inline constexpr int kMaxCopies = 600;
// The most sheets one document holds, in the window as on the command line.
inline constexpr qsizetype kMaxSheets = 2000;
