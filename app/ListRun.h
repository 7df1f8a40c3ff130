#pragma once

#include "core/Seams.h"
#include "labels/LabelPlan.h"
#include "labels/SpreadsheetList.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

class EngineFactory;
class LabelsCutOff;
struct AddressListReading;
struct SkippedRow;

// What the window and the command line check and say alike about the
// sheets of an address list.

// A list file, opened once: a spreadsheet's first sheet is had from the
// office here (see ReadFirstSheet), and every reading after it (with other
// columns, say) reads the text kept. Throws Failure of one line naming the file.
class ListFile
{
public:
    ListFile(EngineFactory &engines, const QString &path);

    // As AddressList::readFile reads it; a spreadsheet's with a notice that
    // names the sheet read.
    AddressListReading read(const QStringList &defaults, const QMap<int, QString> &columnOfField = {},
                            bool allOrders = false) const;
    // 'the first sheet, "Orders", of 3'; empty for a text list.
    QString sheetRead() const;
    const QString &path() const { return m_path; }

private:
    QString m_path;
    std::optional<FirstSheet> m_sheet;
};

// ListFile(engines, path).read(...).
AddressListReading ReadAddressList(EngineFactory &engines, const QString &path, const QStringList &defaults,
                                   const QMap<int, QString> &columnOfField = {}, bool allOrders = false);

// What the window says about a list read, given the twelve typed fields:
// the sender every label carries (and whether it still holds the sample's
// company, name or street), a
// few lines of counts (the sheet read, rows read and addresses, item rows
// merged into their orders, rows skipped, values mended) and, on demand,
// every notice and skipped row.
ListOverview DescribeList(const QString &path, const QString &sheetRead, const QStringList &typed,
                          const AddressListReading &reading);

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
