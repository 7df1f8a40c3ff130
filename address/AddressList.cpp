#include "address/AddressList.h"

#include "address/AddressFields.h"
#include "address/Csv.h"
#include "core/Failure.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <map>

namespace {

constexpr const char *kRoles[6] = {"company", "name", "street", "city", "state", "zip"};

using Part = AddressList::Part;

// The lines a notice names: the first few and how many more.
QString lineList(const QList<int> &lines)
{
    constexpr int kShown = 12;
    QStringList shown;
    for (qsizetype i = 0; i < lines.size() && i < kShown; ++i)
        shown << QString::number(lines[i]);
    QString text = (lines.size() == 1 ? QStringLiteral("line ") : QStringLiteral("lines "))
        + shown.join(QStringLiteral(", "));
    if (lines.size() > kShown)
        text += QStringLiteral(" and %1 more").arg(lines.size() - kShown);
    return text;
}

// "Ship To Address 1", "ship-to-address_1" and "SHIP TO ADDRESS 1" alike.
QString normalised(const QString &name)
{
    static const QRegularExpression separators(QStringLiteral("[\\s_-]+"));
    return name.trimmed().toLower().replace(separators, QStringLiteral("_"));
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

bool allDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

// Which column fills each field part, from the header.
struct Columns
{
    std::map<std::pair<int, Part>, int> columnOf; // (field, part) -> column index
    bool usesColumn(int column) const
    {
        for (const auto &entry : columnOf) {
            if (entry.second == column)
                return true;
        }
        return false;
    }
    bool hasRecipient() const
    {
        for (const auto &entry : columnOf) {
            if (entry.first.first >= 7)
                return true;
        }
        return false;
    }
    // Whether the list gives where a recipient lives, not only who it is.
    bool hasRecipientAddress() const
    {
        for (const auto &entry : columnOf) {
            if (entry.first.first >= 9 && entry.first.first <= 12)
                return true;
        }
        return false;
    }
    bool hasSender() const
    {
        for (const auto &entry : columnOf) {
            if (entry.first.first <= 6)
                return true;
        }
        return false;
    }
};

QString knownNames()
{
    QStringList names;
    for (const AddressList::KnownColumn &known : AddressList::knownColumns())
        names << QString::fromLatin1(known.name);
    return names.join(QStringLiteral(", "));
}

Columns recogniseColumns(const QStringList &header, const QString &where, const QMap<int, QString> &columnOfField)
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

    Columns columns;
    for (const AddressList::KnownColumn &known : AddressList::knownColumns()) {
        const std::pair<int, Part> target{known.field, known.part};
        if (columnOfField.contains(known.field) || columns.columnOf.count(target))
            continue;
        const int column = columnNamed(normalised(QString::fromLatin1(known.name)));
        if (column >= 0)
            columns.columnOf[target] = column;
    }
    // A whole name wins over its first and last parts.
    for (int field = 1; field <= AddressList::kCountryField; ++field) {
        if (columns.columnOf.count({field, Part::Whole})) {
            columns.columnOf.erase({field, Part::FirstName});
            columns.columnOf.erase({field, Part::LastName});
        }
    }
    for (auto it = columnOfField.begin(); it != columnOfField.end(); ++it) {
        const int column = columnNamed(normalised(it.value()));
        if (column < 0)
            throw Failure(
                QStringLiteral("%1: --map %2=%3 names a column the list does not have (it has %4)")
                    .arg(where, AddressList::columnName(it.key()), it.value(), header.join(QStringLiteral(", "))));
        columns.columnOf[{it.key(), Part::Whole}] = column;
    }
    if (!columns.hasRecipient())
        throw Failure(QStringLiteral("%1: no column names a recipient; the list has %2; the names known are %3 "
                                     "(or name one with --map recipient_name=COLUMN)")
                          .arg(where, header.join(QStringLiteral(", ")), knownNames()));
    return columns;
}

// The part of a field joined from its columns: street lines with ", ",
// a first and last name with a space.
QString joined(const QMap<Part, QString> &parts)
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

} // namespace

namespace AddressList {

QString columnName(int field)
{
    if (field == kCountryField)
        return QStringLiteral("recipient_country");
    const QString side = field <= 6 ? QStringLiteral("sender_") : QStringLiteral("recipient_");
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

AddressListReading read(QIODevice &device, const QString &name, const QStringList &defaults,
                        const QMap<int, QString> &columnOfField)
{
    CsvReader reader(device);
    CsvRecord record;
    auto at = [&](int line) { return QStringLiteral("%1, line %2").arg(name).arg(line); };
    auto nextRecord = [&] {
        try {
            return reader.next(record);
        } catch (const Failure &failure) {
            throw Failure(name + QStringLiteral(", ") + failure.description());
        }
    };

    if (!nextRecord() || (record.fields.size() == 1 && record.fields[0].trimmed().isEmpty()))
        throw Failure(QStringLiteral("%1: the first line must name the columns").arg(at(1)));
    const QStringList header = record.fields;
    const Columns columns = recogniseColumns(header, at(record.line), columnOfField);
    // Shopify repeats an order on a row per further item, shipping cells empty.
    const bool itemRows = header.contains(QStringLiteral("Lineitem name"), Qt::CaseInsensitive);

    AddressListReading reading;
    reading.senderColumns = columns.hasSender();
    QStringList unused;
    for (qsizetype c = 0; c < header.size(); ++c) {
        if (!columns.usesColumn(int(c)) && !header[c].trimmed().isEmpty())
            unused << header[c].trimmed();
    }
    if (!unused.isEmpty())
        reading.notices << QStringLiteral("%1: columns not used: %2").arg(name, unused.join(QStringLiteral(", ")));

    QList<int> zeroRestored, hyphenated;
    int lastAddressLine = 0;
    while (nextRecord()) {
        ++reading.rowsRead;
        bool blank = true;
        for (const QString &cell : std::as_const(record.fields))
            blank = blank && cell.trimmed().isEmpty();
        if (blank) {
            reading.skipped << SkippedRow{record.line, QStringLiteral("blank")};
            continue;
        }
        if (record.fields.size() != header.size())
            throw Failure(QStringLiteral("%1: %2 fields, but the header names %3 columns")
                              .arg(at(record.line))
                              .arg(record.fields.size())
                              .arg(header.size()));

        QMap<int, QMap<Part, QString>> parts;
        for (const auto &[target, column] : columns.columnOf) {
            const QString cell = record.fields[column].trimmed();
            if (cell.size() > kMaxFieldLength)
                throw Failure(QStringLiteral("%1: the column %2 holds %3 characters; a label shows no more than %4")
                                  .arg(at(record.line), header[column].trimmed())
                                  .arg(cell.size())
                                  .arg(kMaxFieldLength));
            parts[target.first][target.second] = cell;
        }
        // Where the list has address columns, a row with none of them filled
        // is no address (PayPal lists fees and transfers by a name alone).
        bool hasRecipient = false;
        const bool addressColumns = columns.hasRecipientAddress();
        for (int field = addressColumns ? 9 : 7; field <= (addressColumns ? 12 : kCountryField); ++field)
            hasRecipient = hasRecipient || !joined(parts.value(field)).isEmpty();
        if (!hasRecipient) {
            reading.skipped << SkippedRow{record.line,
                                          itemRows && lastAddressLine
                                              ? QStringLiteral("a further item of the order above")
                                              : QStringLiteral("no recipient address")};
            continue;
        }

        AddressRow row{record.line, defaults.mid(0, AddressFields::kCount)};
        row.fields.resize(AddressFields::kCount);
        for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
            // An empty sender cell leaves the sender given otherwise, which
            // the whole list shares.
            const QString text = joined(it.value());
            if (it.key() <= AddressFields::kCount && (it.key() > 6 || !text.isEmpty()))
                row.fields[it.key() - 1] = text;
        }
        bool hasSender = false;
        for (int field = 0; field < 6; ++field)
            hasSender = hasSender || !row.fields[field].trimmed().isEmpty();
        if (!hasSender && reading.senderColumns)
            throw Failure(QStringLiteral("%1: no sender address: the row's sender columns are empty and no "
                                         "sender is given otherwise")
                              .arg(at(record.line)));
        const QString country = joined(parts.value(kCountryField));
        const bool abroad = !isUnitedStates(country);
        if (abroad)
            row.fields << country.toUpper();
        for (int zipField : {6, 12}) {
            QString &zip = row.fields[zipField - 1];
            if ((zipField == 12 && abroad) || !parts.contains(zipField) || !allDigits(zip))
                continue;
            if (zip.size() == 4 || zip.size() == 8) { // a spreadsheet took it for a number
                zip.prepend(QLatin1Char('0'));
                if (zeroRestored.value(zeroRestored.size() - 1) != record.line)
                    zeroRestored << record.line;
            }
            if (zip.size() == 9) {
                zip.insert(5, QLatin1Char('-'));
                if (hyphenated.value(hyphenated.size() - 1) != record.line)
                    hyphenated << record.line;
            }
        }
        if (reading.rows.size() == kMaxAddresses)
            throw Failure(QStringLiteral("%1: more than %2 addresses; one run makes labels for at most %2, "
                                         "so split the list")
                              .arg(at(record.line), QLocale(QLocale::English).toString(kMaxAddresses)));
        lastAddressLine = record.line;
        reading.rows << row;
    }

    if (reader.fellBackToWindows1252())
        reading.notices << QStringLiteral("%1 is not UTF-8 text: read as Windows-1252").arg(name);
    if (!zeroRestored.isEmpty())
        reading.notices << QStringLiteral("%1: ZIP codes given back the leading zero a spreadsheet drops (%2)")
                               .arg(name, lineList(zeroRestored));
    if (!hyphenated.isEmpty())
        reading.notices << QStringLiteral("%1: 9-digit ZIP codes written as ZIP+4 with a hyphen (%2)")
                               .arg(name, lineList(hyphenated));
    if (reading.rows.isEmpty())
        throw Failure(reading.rowsRead ? QStringLiteral("%1: no row holds a recipient address").arg(name)
                                       : QStringLiteral("%1: the list holds no addresses, only its header").arg(name));
    return reading;
}

QStringList listDefaults(const QStringList &typed)
{
    QStringList defaults = typed.mid(0, 6);
    while (defaults.size() < AddressFields::kCount)
        defaults << QString();
    return defaults;
}

AddressListReading readFile(const QString &path, const QStringList &defaults, const QMap<int, QString> &columnOfField)
{
    // Only a plain file: a pipe or a device could be read for ever.
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(QStringLiteral("cannot read %1: there is no such file").arg(path));
    if (!info.isFile())
        throw Failure(QStringLiteral("cannot read %1: it is not a file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return read(file, path, defaults, columnOfField);
}

} // namespace AddressList
