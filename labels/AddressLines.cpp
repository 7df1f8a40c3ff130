#include "labels/AddressLines.h"

namespace {

// Only spaces is as good as nothing: it would print an empty line.
bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// The parts that are there, joined by `separator`.
QString joined(const QStringList &parts, const QString &separator)
{
    QStringList present;
    for (const QString &part : parts) {
        if (!isBlank(part))
            present << part;
    }
    return present.join(separator);
}

AddressParts partsFrom(const QStringList &fields, int first)
{
    return {fields.value(first),
            fields.value(first + 1),
            fields.value(first + 2),
            fields.value(first + 3),
            fields.value(first + 4),
            fields.value(first + 5),
            QString()};
}

} // namespace

QList<AddressLine> ComposeAddressLines(const AddressParts &address)
{
    using Part = AddressLine::Part;
    const QString cityLine = joined({joined({address.city, address.state}, QStringLiteral(", ")), address.zip},
                                    QStringLiteral(" "));
    QList<AddressLine> lines;
    for (const AddressLine &line : {AddressLine{address.company, Part::Company}, AddressLine{address.name, Part::Name},
                                    AddressLine{address.street, Part::Street}, AddressLine{cityLine, Part::CityLine},
                                    AddressLine{address.country, Part::Country}}) {
        if (!isBlank(line.text))
            lines << line;
    }
    return lines;
}

AddressParts SenderParts(const QStringList &fields)
{
    return partsFrom(fields, 0);
}

AddressParts RecipientParts(const QStringList &fields)
{
    AddressParts parts = partsFrom(fields, 6);
    parts.country = fields.value(12);
    return parts;
}
