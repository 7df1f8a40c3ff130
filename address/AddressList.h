#pragma once

#include "address/ListColumns.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <utility>

class QIODevice;

// One address of a list: the twelve field texts (sender 1..6, recipient
// 7..12, as the text boxes are numbered) and, as a 13th text where the
// recipient is abroad, the country in capitals; the line the row starts on.
struct AddressRow
{
    int line = 0;
    QStringList fields;
};

// The reason of a row that only adds an item to an order read above.
inline constexpr char kFurtherItemReason[] = "a further item of its order, on the order's label";

// A row of the list that makes no label, and why.
struct SkippedRow
{
    int line = 0;
    QString reason;
};

struct AddressListReading
{
    QList<AddressRow> rows;
    QStringList notices;        // one line each, naming the file: what was taken differently from how it stood
    QList<SkippedRow> skipped;  // blank rows, rows without a recipient
    int rowsRead = 0;           // the rows under the header, the skipped ones included
    int valuesMended = 0;       // values taken differently from how they stood (see the notices)
    bool senderColumns = false; // the list has a column for a sender field
};

// Address lists as spreadsheets and shops export them: read record by record
// (see CsvReader), the columns recognised by their names in the header line
// (knownColumns), address lines 2 and 3 joined to the street with ", ", a
// first and last name joined with a space, a US ZIP code given back the
// leading zero a spreadsheet drops (and a 9-digit one its hyphen), and a
// country other than the US kept, in capitals, as the 13th text.
namespace AddressList {

// What a label can show, and far more; a longer field is refused before the
// office sees it.
inline constexpr int kMaxFieldLength = 1000;
// 1,667 sheets, about two minutes' work for the office: a list longer than
// that is refused, to be split, rather than held and run for hours.
inline constexpr int kMaxAddresses = 10000;

// Reads the list from `device`; `name` names it in every message.
// `defaults` (twelve texts) fill the fields the list has no column for;
// `columnOfField` names the column of a field (1..13) over the table. Every
// failure is a Failure of one line naming the file and, where there is one,
// the line: an unreadable text, a row with more or fewer fields than the
// header, a field over kMaxFieldLength characters, a row over 64 KiB, more
// than kMaxAddresses addresses, no column that names a recipient.
AddressListReading read(QIODevice &device, const QString &name, const QStringList &defaults,
                        const QMap<int, QString> &columnOfField = {}, bool allOrders = false);

// The defaults of a list read in the window, from the twelve typed fields:
// the typed sender (a list's own sender columns win), and no recipient, as
// the typed recipient is none of the list's.
QStringList listDefaults(const QStringList &typed);

// The same for the file at `path`, which must be a plain file.
AddressListReading readFile(const QString &path, const QStringList &defaults,
                            const QMap<int, QString> &columnOfField = {}, bool allOrders = false);

} // namespace AddressList
