#include "address/AddressList.h"

#include "address/AddressFields.h"
#include "address/Csv.h"
#include "core/Failure.h"

namespace {

constexpr const char *kRoles[6] = {"company", "name", "street", "city", "state", "zip"};

QString knownColumns()
{
    QStringList names;
    for (int field = 1; field <= AddressFields::kCount; ++field)
        names << AddressList::columnName(field);
    return names.join(QStringLiteral(", "));
}

bool isBlank(const CsvRecord &record)
{
    for (const QString &field : record.fields) {
        if (!field.isEmpty())
            return false;
    }
    return true;
}

} // namespace

namespace AddressList {

QString columnName(int field)
{
    const QString side = field <= 6 ? QStringLiteral("sender_") : QStringLiteral("recipient_");
    return side + QLatin1String(kRoles[(field - 1) % 6]);
}

QList<AddressRow> read(const QByteArray &csv, const QStringList &defaults)
{
    const QList<CsvRecord> records = Csv::read(csv);
    if (records.isEmpty() || isBlank(records.first()))
        throw Failure(QStringLiteral("line 1: the first line must name the columns (%1)").arg(knownColumns()));

    // Which field each column fills.
    const CsvRecord &header = records.first();
    QList<int> fieldOfColumn;
    for (const QString &name : header.fields) {
        const QString wanted = name.trimmed().toLower();
        int field = 0;
        for (int f = 1; f <= AddressFields::kCount && !field; ++f)
            field = columnName(f) == wanted ? f : 0;
        if (!field)
            throw Failure(QStringLiteral("line %1: unknown column \"%2\" (the columns are %3)")
                              .arg(header.line)
                              .arg(name, knownColumns()));
        if (fieldOfColumn.contains(field))
            throw Failure(
                QStringLiteral("line %1: the column %2 is named twice").arg(header.line).arg(columnName(field)));
        fieldOfColumn << field;
    }
    for (int field = 7; field <= 12; ++field) {
        if (!fieldOfColumn.contains(field))
            throw Failure(QStringLiteral("line %1: the column %2 is missing").arg(header.line).arg(columnName(field)));
    }

    QList<AddressRow> rows;
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvRecord &record = records[r];
        if (isBlank(record))
            continue;
        if (record.fields.size() != fieldOfColumn.size())
            throw Failure(QStringLiteral("line %1: %2 fields, but the header names %3 columns")
                              .arg(record.line)
                              .arg(record.fields.size())
                              .arg(fieldOfColumn.size()));
        AddressRow row{record.line, defaults};
        row.fields.resize(AddressFields::kCount);
        for (qsizetype c = 0; c < fieldOfColumn.size(); ++c)
            row.fields[fieldOfColumn[c] - 1] = record.fields[c];
        rows << row;
    }
    if (rows.isEmpty())
        throw Failure(QStringLiteral("the list holds no addresses, only its header"));
    return rows;
}

} // namespace AddressList
