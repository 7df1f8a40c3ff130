#include "labels/SheetFormats.h"

#include <QFileInfo>
#include <QStringList>

std::optional<DocumentFormat> SheetFormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const SheetFormat &row : kSheetFormats) {
        if (suffix == QLatin1String(row.extension))
            return row.format;
    }
    return std::nullopt;
}

namespace {

QString listed(QStringList items)
{
    const QString last = items.takeLast();
    return items.isEmpty() ? last : items.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

} // namespace

QString SheetExtensions()
{
    QStringList items;
    for (const SheetFormat &row : kSheetFormats)
        items << QLatin1Char('.') + QLatin1String(row.extension);
    return listed(items);
}

QString SheetFormatsDescribed()
{
    QStringList items;
    for (const SheetFormat &row : kSheetFormats)
        items << QStringLiteral(".%1 (%2)").arg(QLatin1String(row.extension), QLatin1String(row.description));
    return listed(items);
}
