#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Columns a user picks in the window, for a list whose own column names are
// not recognised: which fields are offered, how a choice is remembered for
// lists with the same header, and how it is handed to the reader.
namespace AddressList {

// The recipient's fields, company to country, in the order offered.
QList<int> pickableFields();

// "Company", "Name", "Street", "City", "State", "ZIP code", "Country".
QString fieldCaption(int field);

// The settings key under which the columns picked for lists with this
// header are kept: "ListColumns_" and 16 hex digits of a hash of the column
// names as written, in order, so that every export of the same layout finds
// it and a different layout does not.
QString columnChoiceKey(const QStringList &header);

// The picked columns (field -> one column, or several joined) as one
// settings value, each name percent-encoded so that no name can break it.
QString encodeColumnChoice(const QMap<int, QStringList> &choice);

// The same back for a list with this header: a field not offered is
// dropped, and a value naming a column the header lacks is dropped whole (it
// was made for another layout), so a stale value cannot fail a reading.
QMap<int, QStringList> decodeColumnChoice(const QString &text, const QStringList &header);

// As the reader takes it (AddressList::read's columnOfField): the columns
// of a field joined with "+".
QMap<int, QString> columnMapping(const QMap<int, QStringList> &choice);

} // namespace AddressList
