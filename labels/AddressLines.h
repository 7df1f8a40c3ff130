#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The lines one address prints on its label, top to bottom: company, name,
// street, the city line and, for a recipient abroad, the country. A part
// left blank takes no line, so the lines that remain close up without a gap,
// and the city line carries only the separators between parts that are
// there ("City, ST 12345", "City 12345", "City", "ST 12345"). The window's
// single sheet and the lists both print what this composes.

struct AddressParts
{
    QString company;
    QString name;
    QString street;
    QString city;
    QString state;
    QString zip;
    QString country; // empty for an address at home
};

struct AddressLine
{
    enum class Part { Company, Name, Street, CityLine, Country };
    QString text;
    Part part;
};

QList<AddressLine> ComposeAddressLines(const AddressParts &address);

// The sender's (fields 1..6) or the recipient's (7..12, and the 13th, the
// country) parts of a label's field texts.
AddressParts SenderParts(const QStringList &fields);
AddressParts RecipientParts(const QStringList &fields);
