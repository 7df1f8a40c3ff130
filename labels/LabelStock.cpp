#include "labels/LabelStock.h"

#include <cmath>

namespace {

constexpr double inch(double inches)
{
    return inches * 72.0;
}

constexpr double mm(double millimetres)
{
    return millimetres * 72.0 / 25.4;
}

const QSizeF kLetter(inch(8.5), inch(11));
const QSizeF kA4(mm(210), mm(297));

// The makers' published geometry (LibreOffice's label database agrees).
// To add a stock, add an entry here; its template is made from it.
QList<LabelStock> makeStocks()
{
    const QMarginsF usual(14.4, 10.8, 10.8, 7.2);
    QList<LabelStock> stocks;
    // The default: the built-in Word template is drawn for this one.
    stocks.append({QStringLiteral("5164"),
                   QStringLiteral("4 x 3-1/3 in, 6 per US Letter sheet"),
                   {QStringLiteral("Avery 5164"), QStringLiteral("Avery 5264"), QStringLiteral("Avery 5524"),
                    QStringLiteral("Avery 5664"), QStringLiteral("Avery 8164"), QStringLiteral("Avery 8254"),
                    QStringLiteral("Avery 8464")},
                   kLetter,
                   2,
                   3,
                   {inch(0.15625), inch(0.5)},
                   {inch(4.1875), 240.0 /* 3-1/3 in */},
                   {inch(4), 240.0 /* 3-1/3 in */},
                   usual,
                   15.0,
                   9.0,
                   7.0,
                   3});
    // A page per label, as thermal label printers take it.
    stocks.append({QStringLiteral("4x6"),
                   QStringLiteral("4 x 6 in, one label per page (thermal printers)"),
                   {QStringLiteral("DYMO 1744907"), QStringLiteral("Zebra 4x6"), QStringLiteral("Rollo 4x6")},
                   {inch(4), inch(6)},
                   1,
                   1,
                   {0, 0},
                   {inch(4), inch(6)},
                   {inch(4), inch(6)},
                   {14.4, 14.4, 14.4, 10.8},
                   20.0,
                   11.0,
                   7.0,
                   4});
    stocks.append({QStringLiteral("5126"),
                   QStringLiteral("8-1/2 x 5-1/2 in, 2 per US Letter sheet"),
                   {QStringLiteral("Avery 5126"), QStringLiteral("Avery 8126"), QStringLiteral("Avery 5526"),
                    QStringLiteral("Avery 15516"), QStringLiteral("Avery 18126")},
                   kLetter,
                   1,
                   2,
                   {0, 0},
                   {inch(8.5), inch(5.5)},
                   {inch(8.5), inch(5.5)},
                   {21.6, 21.6, 21.6, 18.0},
                   20.0,
                   11.0,
                   7.0,
                   4});
    stocks.append({QStringLiteral("5163"),
                   QStringLiteral("4 x 2 in, 10 per US Letter sheet"),
                   {QStringLiteral("Avery 5163"), QStringLiteral("Avery 5263"), QStringLiteral("Avery 5523"),
                    QStringLiteral("Avery 5663"), QStringLiteral("Avery 8163"), QStringLiteral("Avery 8463")},
                   kLetter,
                   2,
                   5,
                   {inch(0.15625), inch(0.5)},
                   {inch(4.1875), inch(2)},
                   {inch(4), inch(2)},
                   usual,
                   12.0,
                   8.0,
                   6.0,
                   1});
    stocks.append({QStringLiteral("L7166"),
                   QStringLiteral("99.1 x 93.1 mm, 6 per A4 sheet"),
                   {QStringLiteral("Avery L7166"), QStringLiteral("Avery J8166")},
                   kA4,
                   2,
                   3,
                   {mm(4.67), mm(8.81)},
                   {mm(101.6), mm(93.13)},
                   {mm(99.06), mm(93.13)},
                   usual,
                   15.0,
                   9.0,
                   7.0,
                   3});
    stocks.append({QStringLiteral("L7169"),
                   QStringLiteral("99.1 x 139 mm, 4 per A4 sheet"),
                   {QStringLiteral("Avery L7169"), QStringLiteral("Avery J8169")},
                   kA4,
                   2,
                   2,
                   {mm(4.63), mm(9.5)},
                   {mm(101.64), mm(139)},
                   {mm(99.1), mm(139)},
                   usual,
                   18.0,
                   10.0,
                   7.0,
                   4});
    return stocks;
}

QString folded(const QString &text)
{
    return text.toLower().remove(QLatin1Char(' '));
}

} // namespace

QRectF LabelStock::labelRect(int number) const
{
    const int index = number - 1;
    return QRectF(origin.x() + (index % columns) * pitch.width(), origin.y() + (index / columns) * pitch.height(),
                  label.width(), label.height());
}

QRectF LabelStock::textArea(int number) const
{
    return labelRect(number).adjusted(0, 0, 0, -padding.bottom());
}

int LabelStock::labelAt(QPointF point) const
{
    for (int number = 1; number <= labels(); ++number) {
        if (labelRect(number).contains(point))
            return number;
    }
    return 0;
}

bool LabelStock::isDefault() const
{
    return name == DefaultStock().name;
}

const QList<LabelStock> &LabelStocks()
{
    static const QList<LabelStock> stocks = makeStocks();
    return stocks;
}

const LabelStock &DefaultStock()
{
    return LabelStocks().first();
}

const LabelStock *FindStock(const QString &nameOrProduct)
{
    const QString wanted = folded(nameOrProduct);
    if (wanted.isEmpty())
        return nullptr;
    for (const LabelStock &stock : LabelStocks()) {
        if (folded(stock.name) == wanted)
            return &stock;
        for (const QString &product : stock.products) {
            // "Avery 8164", "avery8164" or just "8164".
            if (folded(product) == wanted || folded(product.section(QLatin1Char(' '), -1)) == wanted)
                return &stock;
        }
    }
    return nullptr;
}

QString StockNames()
{
    QStringList names;
    for (const LabelStock &stock : LabelStocks())
        names << stock.name;
    return names.join(QStringLiteral(", "));
}

QString FieldRoleName(int field, RoleStyle style)
{
    if (field == 13)
        return style == RoleStyle::Caption ? QStringLiteral("Country") : QStringLiteral("country");
    if (field < 1 || field > 12)
        return QStringLiteral("address");
    QString role = QLatin1String(kFieldRoles[size_t((field - 1) % 6)]);
    const bool sender = field <= 6;
    switch (style) {
    case RoleStyle::Possessive: return QLatin1String(sender ? "sender's " : "recipient's ") + role;
    case RoleStyle::Plain: return QLatin1String(sender ? "Sender " : "Recipient ") + role;
    case RoleStyle::Caption: {
        QStringList words = role.split(QLatin1Char(' '));
        for (QString &word : words)
            word = word.left(1).toUpper() + word.mid(1).toLower();
        return QLatin1String(sender ? "Sender " : "Recipient ") + words.join(QLatin1Char(' '));
    }
    }
    return role;
}
