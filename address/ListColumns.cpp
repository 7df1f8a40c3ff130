#include "address/ListColumns.h"

#include "core/Failure.h"

#include <QRegularExpression>

namespace AddressList {

namespace {

constexpr const char *kRoles[6] = {"company", "name", "street", "city", "state", "zip"};

// "Ship To Address 1", "ship-to-address_1" and "SHIP TO ADDRESS 1" alike.
// "First Name (Shipping)", as WooCommerce's exports write it, as "shipping_first_name".
QString normalised(const QString &name)
{
    static const QRegularExpression separators(QStringLiteral("[\\s_-]+"));
    static const QRegularExpression bracketed(QStringLiteral("^(.*\\S)\\s*\\(([^()]+)\\)$"));
    QString text = name.trimmed();
    const QRegularExpressionMatch match = bracketed.match(text);
    if (match.hasMatch())
        text = match.captured(2) + QLatin1Char(' ') + match.captured(1);
    return text.toLower().replace(separators, QStringLiteral("_"));
}

// "recipient_street: Shipping Address1, ...; recipient_city: ..." for the recipient's fields.
QString knownNames()
{
    QStringList said;
    for (int field = RecipientName; field <= RecipientCountry; ++field) {
        QStringList names;
        for (const KnownColumn &known : knownColumns()) {
            if (known.field == field && known.part != Part::LeadOfAddress)
                names << QString::fromLatin1(known.name);
        }
        said << columnName(field) + QStringLiteral(": ") + names.join(QStringLiteral(", "));
    }
    return said.join(QStringLiteral("; "));
}

bool isNamePart(Part part)
{
    return part == Part::FirstName || part == Part::LastName;
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
    // In each field, a ship-to column comes before a buyer's or payer's and
    // a shop's own name before a plain one: the first found wins. A shop's
    // "First Name (Shipping)" is read as "Shipping First Name".
    static const QList<KnownColumn> table = {
        // Our own, as the window names the fields.
        {"sender_company", SenderCompany, Part::Whole},
        {"sender_name", SenderName, Part::Whole},
        {"sender_street", SenderStreet, Part::Whole},
        {"sender_city", SenderCity, Part::Whole},
        {"sender_state", SenderState, Part::Whole},
        {"sender_zip", SenderZip, Part::Whole},
        {"recipient_company", RecipientCompany, Part::Whole},
        {"recipient_name", RecipientName, Part::Whole}, // Amazon's recipient-name too
        {"recipient_street", RecipientStreet, Part::Whole},
        {"recipient_city", RecipientCity, Part::Whole},
        {"recipient_state", RecipientState, Part::Whole},
        {"recipient_zip", RecipientZip, Part::Whole},
        {"recipient_country", RecipientCountry, Part::Whole},
        // Shopify and Squarespace orders; WooCommerce's, plain or bracketed.
        {"Shipping Company", RecipientCompany, Part::Whole},
        {"Shipping Name", RecipientName, Part::Whole},
        {"Shipping Full Name", RecipientName, Part::Whole},
        {"shipping_first_name", RecipientName, Part::FirstName},
        {"shipping_last_name", RecipientName, Part::LastName},
        {"Shipping Address1", RecipientStreet, Part::Whole},
        {"Shipping Address2", RecipientStreet, Part::Line2},
        {"shipping_address_1", RecipientStreet, Part::Whole},
        {"shipping_address_2", RecipientStreet, Part::Line2},
        {"Shipping Address 1&2", RecipientStreet, Part::Whole},
        {"Shipping Street", RecipientStreet, Part::Whole},
        {"Shipping City", RecipientCity, Part::Whole},
        {"Shipping Province", RecipientState, Part::Whole},
        {"shipping_state", RecipientState, Part::Whole},
        {"Shipping State Code", RecipientState, Part::Whole},
        {"Shipping Province Name", RecipientState, Part::Whole},
        {"Shipping State Name", RecipientState, Part::Whole},
        {"Shipping Zip", RecipientZip, Part::Whole},
        {"shipping_postcode", RecipientZip, Part::Whole},
        {"Shipping Postal Code", RecipientZip, Part::Whole},
        {"Shipping Country", RecipientCountry, Part::Whole},
        {"Shipping Country Code", RecipientCountry, Part::Whole},
        {"Shipping Country Name", RecipientCountry, Part::Whole},
        // Etsy sold order items, then sold orders.
        {"Ship Name", RecipientName, Part::Whole},
        {"Ship Address1", RecipientStreet, Part::Whole},
        {"Ship Address2", RecipientStreet, Part::Line2},
        {"Street 1", RecipientStreet, Part::Whole},
        {"Street 2", RecipientStreet, Part::Line2},
        {"Ship City", RecipientCity, Part::Whole}, // Amazon's ship-city too
        {"Ship State", RecipientState, Part::Whole},
        {"Ship Zipcode", RecipientZip, Part::Whole},
        {"Ship Country", RecipientCountry, Part::Whole},
        // eBay orders report: its "Buyer ..." columns are the buyer's own address.
        {"Ship To Company", RecipientCompany, Part::Whole},
        {"Ship To Name", RecipientName, Part::Whole},
        {"Ship To Address 1", RecipientStreet, Part::Whole},
        {"Ship To Address 2", RecipientStreet, Part::Line2},
        {"Ship To City", RecipientCity, Part::Whole},
        {"Ship To State", RecipientState, Part::Whole},
        {"Ship To Zip", RecipientZip, Part::Whole},
        {"Ship To Country", RecipientCountry, Part::Whole},
        // Amazon unshipped orders (tab-separated).
        {"ship-address-1", RecipientStreet, Part::Whole},
        {"ship-address-2", RecipientStreet, Part::Line2},
        {"ship-address-3", RecipientStreet, Part::Line3},
        {"ship-postal-code", RecipientZip, Part::Whole},
        // PayPal activity download: its "Shipping Address" starts with the
        // ship-to name, its "Name" is the payer's.
        {"Shipping Address", RecipientName, Part::LeadOfAddress},
        {"Shipping Address Line 1", RecipientStreet, Part::Whole},
        {"Shipping Address Line 2", RecipientStreet, Part::Line2},
        {"Address Line 1", RecipientStreet, Part::Whole},
        {"Address Line 2/District/Neighborhood", RecipientStreet, Part::Line2},
        {"Address Line 2", RecipientStreet, Part::Line2},
        {"Town/City", RecipientCity, Part::Whole},
        {"State/Province/Region/County/Territory/Prefecture/Republic", RecipientState, Part::Whole},
        {"State/Province", RecipientState, Part::Whole},
        {"Zip/Postal Code", RecipientZip, Part::Whole},
        // Lists kept by hand, and plain names last: Shopify's "Name" is the
        // order's, beside its "Shipping Name".
        {"Company", RecipientCompany, Part::Whole},
        {"Full Name", RecipientName, Part::Whole},
        {"First Name", RecipientName, Part::FirstName},
        {"Last Name", RecipientName, Part::LastName},
        {"Name", RecipientName, Part::Whole},
        {"Address 1", RecipientStreet, Part::Whole},
        {"Address1", RecipientStreet, Part::Whole},
        {"Address 2", RecipientStreet, Part::Line2},
        {"Address2", RecipientStreet, Part::Line2},
        {"Address 3", RecipientStreet, Part::Line3},
        {"Address", RecipientStreet, Part::Whole},
        {"Street Address", RecipientStreet, Part::Whole},
        {"Street", RecipientStreet, Part::Whole},
        {"City", RecipientCity, Part::Whole},
        {"Town", RecipientCity, Part::Whole},
        {"State Code", RecipientState, Part::Whole},
        {"State", RecipientState, Part::Whole},
        {"Province", RecipientState, Part::Whole},
        {"Region", RecipientState, Part::Whole},
        {"State Name", RecipientState, Part::Whole},
        {"Zip", RecipientZip, Part::Whole},
        {"ZIP Code", RecipientZip, Part::Whole},
        {"Zipcode", RecipientZip, Part::Whole},
        {"Postal Code", RecipientZip, Part::Whole},
        {"Postcode", RecipientZip, Part::Whole},
        {"Post Code", RecipientZip, Part::Whole},
        {"Country Code", RecipientCountry, Part::Whole},
        {"Country", RecipientCountry, Part::Whole},
        {"Country Name", RecipientCountry, Part::Whole},
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
    // A field takes either whole columns (with their further lines) or a
    // first and last name, as the first column of it found says.
    std::map<int, bool> takesNameParts;
    for (const KnownColumn &known : knownColumns()) {
        const std::pair<int, Part> target{known.field, known.part};
        if (columnOfField.contains(known.field) || columns.columnsOf.count(target))
            continue;
        const int column = columnNamed(normalised(QString::fromLatin1(known.name)));
        if (column < 0)
            continue;
        if (known.part != Part::LeadOfAddress) {
            const auto taken = takesNameParts.find(known.field);
            if (taken != takesNameParts.end() && taken->second != isNamePart(known.part))
                continue;
            takesNameParts[known.field] = isNamePart(known.part);
        }
        columns.columnsOf[target] = {column};
    }
    // "--map recipient_name=First Name+Last Name": the columns joined as the
    // field's own are. A column whose own name holds a "+" is taken whole.
    for (auto it = columnOfField.begin(); it != columnOfField.end(); ++it) {
        QList<int> mapped;
        int whole = columnNamed(normalised(it.value()));
        if (whole >= 0) {
            mapped << whole;
        } else {
            for (const QString &piece : it.value().split(QLatin1Char('+'))) {
                const int column = columnNamed(normalised(piece));
                if (column < 0 || piece.trimmed().isEmpty())
                    throw Failure(
                        QStringLiteral("%1: --map %2=%3 names a column the list does not have (%4; it has %5)")
                            .arg(where, columnName(it.key()), it.value(), piece.trimmed(),
                                 header.join(QStringLiteral(", "))));
                mapped << column;
            }
        }
        columns.columnsOf[{it.key(), Part::Whole}] = mapped;
    }
    // A name alone makes a label no carrier takes.
    if (!columns.hasRecipientAddress())
        throw ColumnsNotRecognised(
            QStringLiteral("%1: no column gives the recipient's street, city or ZIP code, so no label "
                           "was made; the list has %2; the names known are %3; name the columns with "
                           "--map recipient_street=COLUMN (several joined with +)")
                .arg(where, header.join(QStringLiteral(", ")), knownNames()),
            header);
    return columns;
}

OrderColumns recogniseOrderColumns(const QStringList &header)
{
    QStringList names;
    for (const QString &name : header)
        names << normalised(name);
    OrderColumns columns;
    const bool shopifyItems = names.contains(QStringLiteral("lineitem_name"));
    // eBay gives its order number beside a per-row "Sales Record Number".
    for (const char *name : {"order_number", "order_id", "order_no", "order_#", "order", "sales_record_number"}) {
        if (columns.order < 0)
            columns.order = int(names.indexOf(QString::fromLatin1(name)));
    }
    if (columns.order < 0 && shopifyItems)
        columns.order = int(names.indexOf(QStringLiteral("name")));
    using Status = OrderColumns::Status;
    const std::pair<const char *, Status::Kind> statuses[] = {
        {"fulfillment_status", Status::Words},
        {"fulfilment_status", Status::Words},
        {"financial_status", Status::Words},
        {"payment_status", Status::Words},
        {"shipping_status", Status::Words},
        {"order_status", Status::OrderWords},
        {"status", Status::Words},
        {"cancelled_at", Status::DoneWhenFilled},
        {"date_shipped", Status::DoneWhenFilled},
        {"shipped_on_date", Status::DoneWhenFilled},
        {"shipped_date", Status::DoneWhenFilled},
    };
    for (const auto &[name, kind] : statuses) {
        const qsizetype column = names.indexOf(QString::fromLatin1(name));
        if (column >= 0)
            columns.statuses << Status{int(column), kind};
    }
    return columns;
}

bool marksOrderDone(const OrderColumns::Status &status, const QString &cell)
{
    const QString text = cell.trimmed().toLower();
    if (status.kind == OrderColumns::Status::DoneWhenFilled)
        return !text.isEmpty();
    // PayPal's "Completed" is a payment made, WooCommerce's order status
    // "Completed" an order sent.
    static const QRegularExpression done(
        QStringLiteral("^(wc-)?(cancell?ed|refunded|voided|fulfilled|shipped|delivered)$"));
    return done.match(text).hasMatch()
        || (status.kind == OrderColumns::Status::OrderWords
            && (text == QLatin1String("completed") || text == QLatin1String("wc-completed")));
}

} // namespace AddressList
