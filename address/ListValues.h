#pragma once

#include "address/ListColumns.h"

#include <QMap>
#include <QString>

// The rules that turn a row's cells into the texts a label prints.
namespace AddressList {

// A field joined from its columns: street lines with ", ", a first and last
// name with a space.
QString joinedParts(const QMap<Part, QString> &parts);

// The name before the first comma of a whole address in one cell ("Ann Lee,
// 8 Elm St, Salem, OR, 97301, United States") where the rest starts with
// `street`'s first line; empty otherwise.
QString shipToName(const QString &wholeAddress, const QString &street);

// Whether a country cell means the United States (empty means it too).
bool isUnitedStates(const QString &country);

// A US ZIP code as the post writes it: the leading zero a spreadsheet drops
// given back (both of a 3-digit one of Puerto Rico or the Virgin Islands, the
// `state`), a 9-digit one hyphenated as ZIP+4. A ZIP+4's hyphen is the
// non-breaking one, so the code never breaks across lines. Says what it did.
struct MendedZip
{
    QString zip;
    bool zeroRestored = false;
    bool hyphenated = false;
};
MendedZip mendedUsZip(const QString &zip, const QString &state);

// The hyphen of a ZIP+4 on a label: a line never breaks at it.
inline constexpr char16_t kZipHyphen = u'\u2011';

// A cell as a spreadsheet or shop leaves it, with a leading apostrophe
// ('02134, so a spreadsheet keeps the zero) or an ="..." wrapper taken off.
// Returns whether it took one off.
bool unwrapCell(QString &cell);

// The two-letter code of a US state, district, territory or armed forces
// region written out ("New Hampshire", "armed forces pacific"); any other
// text as it stands.
QString usStateCode(const QString &state);

// Where a row's parcel goes, from its country, state and city cells.
struct Destination
{
    bool domestic = true; // the US, its territories and military post
    QString code;         // ISO 3166 two-letter code, where known
    QString countryLine;  // abroad: the country's English name in capitals
};
Destination destinationOf(const QString &country, const QString &state, const QString &city);

// The city line of a destination abroad, in that country's usual order
// (town before or after the postcode, the state where it is written), and
// never a stray comma or double space where a part is missing.
QString cityLineAbroad(const QString &code, const QString &city, const QString &state, const QString &zip);

} // namespace AddressList
