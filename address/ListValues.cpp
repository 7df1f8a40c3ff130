#include "address/ListValues.h"

#include <QStringList>

namespace AddressList {

namespace {

bool allDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

} // namespace

QString joinedParts(const QMap<Part, QString> &parts)
{
    if (parts.contains(Part::Whole) && !parts.contains(Part::Line2) && !parts.contains(Part::Line3))
        return parts[Part::Whole];
    QStringList pieces;
    for (Part part : {Part::Whole, Part::Line2, Part::Line3}) {
        if (!parts.value(part).isEmpty())
            pieces << parts.value(part);
    }
    if (!pieces.isEmpty())
        return pieces.join(QStringLiteral(", "));
    pieces.clear();
    for (Part part : {Part::FirstName, Part::LastName}) {
        if (!parts.value(part).isEmpty())
            pieces << parts.value(part);
    }
    return pieces.join(QLatin1Char(' '));
}

bool isUnitedStates(const QString &country)
{
    static const QStringList names = {QString(),
                                      QStringLiteral("us"),
                                      QStringLiteral("usa"),
                                      QStringLiteral("u.s."),
                                      QStringLiteral("u.s.a."),
                                      QStringLiteral("united states"),
                                      QStringLiteral("united states of america")};
    return names.contains(country.trimmed().toLower());
}

MendedZip mendedUsZip(const QString &zip)
{
    MendedZip mended{zip};
    if (!allDigits(zip))
        return mended;
    if (zip.size() == 4 || zip.size() == 8) { // a spreadsheet took it for a number
        mended.zip.prepend(QLatin1Char('0'));
        mended.zeroRestored = true;
    }
    if (mended.zip.size() == 9) {
        mended.zip.insert(5, QLatin1Char('-'));
        mended.hyphenated = true;
    }
    return mended;
}

} // namespace AddressList
