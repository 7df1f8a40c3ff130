#include "address/ListColumnChoice.h"

#include "address/ListColumns.h"

#include <QCryptographicHash>
#include <QUrl>

namespace AddressList {

QList<int> pickableFields()
{
    return {RecipientCompany, RecipientName, RecipientStreet, RecipientCity,
            RecipientState,   RecipientZip,  RecipientCountry};
}

QString fieldCaption(int field)
{
    static const char *const captions[] = {"Company", "Name", "Street", "City", "State", "ZIP code", "Country"};
    return pickableFields().contains(field) ? QString::fromLatin1(captions[field - RecipientCompany]) : QString();
}

QString columnChoiceKey(const QStringList &header)
{
    const QByteArray names = header.join(QLatin1Char('\n')).toUtf8();
    return QStringLiteral("ListColumns_")
        + QString::fromLatin1(QCryptographicHash::hash(names, QCryptographicHash::Sha256).toHex().left(16));
}

QString encodeColumnChoice(const QMap<int, QStringList> &choice)
{
    QStringList entries;
    for (auto it = choice.begin(); it != choice.end(); ++it) {
        QStringList columns;
        for (const QString &column : it.value())
            columns << QString::fromLatin1(QUrl::toPercentEncoding(column));
        if (!columns.isEmpty())
            entries << QStringLiteral("%1=%2").arg(columnName(it.key()), columns.join(QLatin1Char('+')));
    }
    return entries.join(QLatin1Char('&'));
}

QMap<int, QStringList> decodeColumnChoice(const QString &text, const QStringList &header)
{
    QMap<int, QStringList> choice;
    for (const QString &entry : text.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        int field = 0;
        for (const int offered : pickableFields()) {
            if (columnName(offered) == entry.left(equals))
                field = offered;
        }
        if (equals < 0 || field == 0)
            continue;
        QStringList columns;
        for (const QString &piece : entry.mid(equals + 1).split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
            const QString column = QUrl::fromPercentEncoding(piece.toLatin1());
            if (!header.contains(column))
                return {}; // the header is not the one the choice was made for
            columns << column;
        }
        if (!columns.isEmpty())
            choice[field] = columns;
    }
    return choice;
}

QMap<int, QString> columnMapping(const QMap<int, QStringList> &choice)
{
    QMap<int, QString> mapping;
    for (auto it = choice.begin(); it != choice.end(); ++it) {
        if (!it.value().isEmpty())
            mapping[it.key()] = it.value().join(QLatin1Char('+'));
    }
    return mapping;
}

} // namespace AddressList
