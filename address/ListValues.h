#pragma once

#include "address/ListColumns.h"

#include <QMap>
#include <QString>

// The rules that turn a row's cells into the texts a label prints.
namespace AddressList {

// A field joined from its columns: street lines with ", ", a first and last
// name with a space.
QString joinedParts(const QMap<Part, QString> &parts);

// Whether a country cell means the United States (empty means it too).
bool isUnitedStates(const QString &country);

// A US ZIP code as the post writes it: the leading zero a spreadsheet drops
// given back, a 9-digit one hyphenated as ZIP+4. Says which it did.
struct MendedZip
{
    QString zip;
    bool zeroRestored = false;
    bool hyphenated = false;
};
MendedZip mendedUsZip(const QString &zip);

} // namespace AddressList
