#pragma once

#include "labels/LabelPlan.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class EngineFactory;
class LabelsCutOff;
struct AddressListReading;
struct SkippedRow;

// What the window and the command line check and say alike about the
// sheets of an address list.

// The list at `path` read as AddressList::readFile reads it; a spreadsheet
// (IsSpreadsheetFile) through the office, its first sheet, with a notice
// that names the sheet. Throws Failure of one line naming the file.
AddressListReading ReadAddressList(EngineFactory &engines, const QString &path, const QStringList &defaults,
                                   const QMap<int, QString> &columnOfField = {}, bool allOrders = false);

// The most sheets one list makes: kMaxSheets (labels/LabelPlan.h), which the
// "where on the sheet" dialog refuses beyond as well.

// The sheets of `addresses` placed as asked. Throws Failure naming the count
// when they would be more than kMaxSheets.
QList<SheetLabels> PlanListSheets(const QList<QStringList> &addresses, LabelPlacement placement);

// "<where>: the address does not fit on its label even at 7 pt; shorten <what>"
// (without a `where`, no prefix), the size being the smallest a label steps down to.
QString DoesNotFitMessage(const QString &where, const QString &what, const LabelStock &stock = DefaultStock());

// The same for the first label of `cut`, found back to its address: `lines`
// are the list lines of the addresses, in order; "orders.csv, line 7: ...;
// shorten its recipient_street".
QString DescribeCutAddress(const LabelsCutOff &cut, LabelPlacement placement, const QString &path,
                           const QList<int> &lines, const LabelStock &stock = DefaultStock());

// "orders.csv: 12 rows read, 3 rows skipped (...)"
QString ListReadSummary(const QString &path, const AddressListReading &reading);

// "3 rows skipped (a further item of the order above: lines 3, 4; blank: line 9)",
// or "no rows skipped": the list's rows that made no label.
QString SkippedRowsSummary(const QList<SkippedRow> &skipped);
