#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One row of an address list: the twelve field texts of one label sheet
// and the line of the list the row starts on.
struct AddressRow
{
    int line = 0;
    QStringList fields; // sender 1..6, recipient 7..12, as the text boxes are numbered
};

namespace AddressList {

// The column name of a field: "sender_company" .. "sender_zip" for 1..6,
// "recipient_company" .. "recipient_zip" for 7..12.
QString columnName(int field);

// The rows of a CSV address list (see Csv::read). The header row names the
// columns in any order (letter case and surrounding blanks do not matter):
// the six recipient columns are required, the six sender columns optional.
// A field without a column keeps its text from `defaults` (twelve texts).
// Values are taken exactly as they stand; blank rows are skipped. Throws
// Failure naming the line of the first row that cannot be used: a row with
// more or fewer fields than the header, or a list without any address.
QList<AddressRow> read(const QByteArray &csv, const QStringList &defaults);

} // namespace AddressList
