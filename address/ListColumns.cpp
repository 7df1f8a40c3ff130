#include "address/ListColumns.h"

#include "core/Failure.h"

#include <QRegularExpression>

namespace AddressList {

namespace {

constexpr const char *kRoles[6] = {"company", "name", "street", "city", "state", "zip"};

// "Ship To Address 1", "ship-to-address_1" and "SHIP TO ADDRESS 1" alike.
QString normalised(const QString &name)
{
    static const QRegularExpression separators(QStringLiteral("[\\s_-]+"));
    return name.trimmed().toLower().replace(separators, QStringLiteral("_"));
}

QString knownNames()
{
    QStringList names;
    for (const KnownColumn &known : knownColumns())
        names << QString::fromLatin1(known.name);
    return names.join(QStringLiteral(", "));
}

} // namespace

QString columnName(int field)
{
    if (field == kCountryField)
        return QStringLiteral("recipient_country");
    const QString side = isSenderField(field) ? QStringLiteral("sender_") : QStringLiteral("recipient_");
    return side + QLatin1String(kRoles[(field - 1) % 6]);
}

const QList<KnownColumn> &knownColumns()
{
    static const QList<KnownColumn> table = {
        // Our own, as the window names the fields.
        {"sender_company", 1, Part::Whole},
        {"sender_name", 2, Part::Whole},
        {"sender_street", 3, Part::Whole},
        {"sender_city", 4, Part::Whole},
        {"sender_state", 5, Part::Whole},
        {"sender_zip", 6, Part::Whole},
        {"recipient_company", 7, Part::Whole},
        {"recipient_name", 8, Part::Whole}, // Amazon's recipient-name too
        {"recipient_street", 9, Part::Whole},
        {"recipient_city", 10, Part::Whole},
        {"recipient_state", 11, Part::Whole},
        {"recipient_zip", 12, Part::Whole},
        {"recipient_country", 13, Part::Whole},
        // Shopify and Squarespace orders.
        {"Shipping Company", 7, Part::Whole},
        {"Shipping Name", 8, Part::Whole},
        {"Shipping Address1", 9, Part::Whole},
        {"Shipping Address2", 9, Part::Line2},
        {"Shipping City", 10, Part::Whole},
        {"Shipping Province", 11, Part::Whole},
        {"Shipping Zip", 12, Part::Whole},
        {"Shipping Country", 13, Part::Whole},
        // WooCommerce.
        {"shipping_first_name", 8, Part::FirstName},
        {"shipping_last_name", 8, Part::LastName},
        {"shipping_address_1", 9, Part::Whole},
        {"shipping_address_2", 9, Part::Line2},
        {"shipping_state", 11, Part::Whole},
        {"shipping_postcode", 12, Part::Whole},
        // Etsy sold orders and order items.
        {"Ship Name", 8, Part::Whole},
        {"Full Name", 8, Part::Whole},
        {"Ship Address1", 9, Part::Whole},
        {"Ship Address2", 9, Part::Line2},
        {"Street 1", 9, Part::Whole},
        {"Street 2", 9, Part::Line2},
        {"Ship City", 10, Part::Whole},
        {"Ship State", 11, Part::Whole},
        {"Ship Zipcode", 12, Part::Whole},
        {"Ship Country", 13, Part::Whole},
        // eBay orders report.
        {"Ship To Name", 8, Part::Whole},
        {"Ship To Address 1", 9, Part::Whole},
        {"Ship To Address 2", 9, Part::Line2},
        {"Ship To City", 10, Part::Whole},
        {"Ship To State", 11, Part::Whole},
        {"Ship To Zip", 12, Part::Whole},
        {"Ship To Country", 13, Part::Whole},
        // Amazon unshipped orders (tab-separated).
        {"ship-address-1", 9, Part::Whole},
        {"ship-address-2", 9, Part::Line2},
        {"ship-address-3", 9, Part::Line3},
        {"ship-postal-code", 12, Part::Whole},
        // PayPal activity download.
        {"Shipping Address Line 1", 9, Part::Whole},
        {"Shipping Address Line 2", 9, Part::Line2},
        {"Town/City", 10, Part::Whole},
        {"State/Province/Region/County/Territory/Prefecture/Republic", 11, Part::Whole},
        {"State/Province", 11, Part::Whole},
        {"Zip/Postal Code", 12, Part::Whole},
        // Plain names last: Shopify's "Name" is the order's, beside its "Shipping Name".
        {"Name", 8, Part::Whole},
        {"Country", 13, Part::Whole},
    };
    return table;
}

std::pair<int, QString> parseMapping(const QString &text)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0 || text.mid(equals + 1).trimmed().isEmpty())
        throw Failure(QStringLiteral("\"%1\" is not FIELD=COLUMN, as in recipient_name=Ship To").arg(text));
    const QString wanted = normalised(text.left(equals));
    QStringList fields;
    for (int field = 1; field <= kCountryField; ++field) {
        if (columnName(field) == wanted)
            return {field, text.mid(equals + 1).trimmed()};
        fields << columnName(field);
    }
    throw Failure(QStringLiteral("\"%1\" is not a field; the fields are %2")
                      .arg(text.left(equals), fields.join(QStringLiteral(", "))));
}

bool ListColumns::usesColumn(int column) const
{
    for (const auto &entry : columnsOf) {
        if (entry.second.contains(column))
            return true;
    }
    return false;
}

bool ListColumns::hasRecipient() const
{
    for (const auto &entry : columnsOf) {
        if (entry.first.first >= RecipientCompany)
            return true;
    }
    return false;
}

bool ListColumns::hasRecipientAddress() const
{
    for (const auto &entry : columnsOf) {
        if (entry.first.first >= RecipientStreet && entry.first.first <= RecipientZip)
            return true;
    }
    return false;
}

bool ListColumns::hasSender() const
{
    for (const auto &entry : columnsOf) {
        if (isSenderField(entry.first.first))
            return true;
    }
    return false;
}

ListColumns recogniseColumns(const QStringList &header, const QString &where, const QMap<int, QString> &columnOfField)
{
    QStringList names;
    for (const QString &name : header)
        names << normalised(name);
    auto columnNamed = [&](const QString &wanted) -> int {
        const qsizetype first = names.indexOf(wanted);
        if (first >= 0 && names.indexOf(wanted, first + 1) >= 0)
            throw Failure(QStringLiteral("%1: the column \"%2\" is named twice").arg(where, header[first].trimmed()));
        return int(first);
    };

    ListColumns columns;
    for (const KnownColumn &known : knownColumns()) {
        const std::pair<int, Part> target{known.field, known.part};
        if (columnOfField.contains(known.field) || columns.columnsOf.count(target))
            continue;
        const int column = columnNamed(normalised(QString::fromLatin1(known.name)));
        if (column >= 0)
            columns.columnsOf[target] = {column};
    }
    // A whole name wins over its first and last parts.
    for (int field = SenderCompany; field <= kCountryField; ++field) {
        if (columns.columnsOf.count({field, Part::Whole})) {
            columns.columnsOf.erase({field, Part::FirstName});
            columns.columnsOf.erase({field, Part::LastName});
        }
    }
    for (auto it = columnOfField.begin(); it != columnOfField.end(); ++it) {
        const int column = columnNamed(normalised(it.value()));
        if (column < 0)
            throw Failure(QStringLiteral("%1: --map %2=%3 names a column the list does not have (it has %4)")
                              .arg(where, columnName(it.key()), it.value(), header.join(QStringLiteral(", "))));
        columns.columnsOf[{it.key(), Part::Whole}] = {column};
    }
    if (!columns.hasRecipient())
        throw Failure(QStringLiteral("%1: no column names a recipient; the list has %2; the names known are %3 "
                                     "(or name one with --map recipient_name=COLUMN)")
                          .arg(where, header.join(QStringLiteral(", ")), knownNames()));
    return columns;
}

} // namespace AddressList
