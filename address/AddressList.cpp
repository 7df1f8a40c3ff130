#include "address/AddressList.h"

#include "address/AddressFields.h"
#include "address/Csv.h"
#include "address/ListValues.h"
#include "core/Failure.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <map>

namespace {

using namespace AddressList;

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

// Notes a line once, however many of its fields it concerns.
void noteLine(QList<int> &lines, int line)
{
    if (lines.value(lines.size() - 1) != line)
        lines << line;
}

using RowParts = QMap<int, QMap<Part, QString>>;

// A summary line under a shop's rows holds a text or two, never an address.
constexpr qsizetype kMaxTrailerFields = 3;

// One pass over a list: the header, then row by row into a reading.
class ListReader
{
public:
    ListReader(QIODevice &device, const QString &name, const QStringList &defaults, bool allOrders)
        : m_reader(device)
        , m_name(name)
        , m_defaults(defaults)
        , m_allOrders(allOrders)
    {
    }

    AddressListReading read(const QMap<int, QString> &columnOfField)
    {
        readHeader(columnOfField);
        while (nextRecord())
            readRow();
        return finish();
    }

private:
    QString at(int line) const { return QStringLiteral("%1, line %2").arg(m_name).arg(line); }

    bool nextRecord()
    {
        try {
            return m_reader.next(m_record);
        } catch (const Failure &failure) {
            throw Failure(m_name + QStringLiteral(", ") + failure.description());
        }
    }

    void readHeader(const QMap<int, QString> &columnOfField)
    {
        // Blank lines and lines of separators only may come first.
        bool found = false;
        while (!found && nextRecord())
            found = !isBlank(m_record.fields);
        if (!found)
            throw Failure(QStringLiteral("%1: the first line with text must name the columns").arg(at(1)));
        m_header = m_record.fields;
        m_columns = recogniseColumns(m_header, at(m_record.line), columnOfField);
        m_orderColumns = recogniseOrderColumns(m_header);
        m_reading.senderColumns = m_columns.hasSender();
        QStringList unused;
        for (qsizetype c = 0; c < m_header.size(); ++c) {
            bool status = false;
            for (const OrderColumns::Status &column : std::as_const(m_orderColumns.statuses))
                status = status || column.column == c;
            if (!m_columns.usesColumn(int(c)) && !m_header[c].trimmed().isEmpty() && c != m_orderColumns.order
                && !status)
                unused << m_header[c].trimmed();
        }
        // A shop's export has dozens: the first few say enough.
        constexpr qsizetype kNamed = 12;
        QString named = unused.mid(0, kNamed).join(QStringLiteral(", "));
        if (unused.size() > kNamed)
            named += QStringLiteral(" and %1 more").arg(unused.size() - kNamed);
        if (!unused.isEmpty())
            m_reading.notices << QStringLiteral("%1: columns not used: %2").arg(m_name, named);
    }

    // The record's cells, by field and part; a field mapped to several
    // columns joined as its own columns are.
    RowParts partsOfRecord()
    {
        RowParts parts;
        for (const auto &[target, columns] : m_columns.columnsOf) {
            QStringList cells;
            for (const int column : columns) {
                QString cell = m_record.fields[column].trimmed();
                if (cell.size() > kMaxFieldLength)
                    throw Failure(QStringLiteral("%1: the column %2 holds %3 characters; a label shows no more than %4")
                                      .arg(at(m_record.line), m_header[column].trimmed())
                                      .arg(cell.size())
                                      .arg(kMaxFieldLength));
                if (unwrapCell(cell))
                    noteLine(m_unwrapped, m_record.line);
                if (!cell.isEmpty())
                    cells << cell;
            }
            const bool street = target.first == SenderStreet || target.first == RecipientStreet;
            parts[target.first][target.second] = cells.join(street ? QStringLiteral(", ") : QStringLiteral(" "));
        }
        return parts;
    }

    // A row with none of the recipient's address filled is no address
    // (PayPal lists fees and transfers by a name alone).
    static bool holdsRecipient(const RowParts &parts)
    {
        for (int field = RecipientStreet; field <= RecipientZip; ++field) {
            if (!joinedParts(parts.value(field)).isEmpty())
                return true;
        }
        return false;
    }

    AddressRow rowOf(const RowParts &parts)
    {
        AddressRow row{m_record.line, m_defaults.mid(0, AddressFields::kCount)};
        row.fields.resize(AddressFields::kCount);
        for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
            // An empty sender cell leaves the sender given otherwise, which
            // the whole list shares.
            QString text = joinedParts(it.value());
            if (it.key() == RecipientName) {
                const QString shipTo = shipToName(it.value().value(Part::LeadOfAddress),
                                                  joinedParts(parts.value(RecipientStreet)));
                if (!shipTo.isEmpty())
                    text = shipTo;
            }
            if (it.key() <= AddressFields::kCount && (!isSenderField(it.key()) || !text.isEmpty()))
                row.fields[it.key() - 1] = text;
        }
        bool hasSender = false;
        for (int field = SenderCompany; field <= SenderZip; ++field)
            hasSender = hasSender || !row.fields[field - 1].trimmed().isEmpty();
        if (!hasSender && m_reading.senderColumns)
            throw Failure(QStringLiteral("%1: no sender address: the row's sender columns are empty and no "
                                         "sender is given otherwise")
                              .arg(at(m_record.line)));
        if (parts.contains(SenderZip))
            mendZip(row.fields[SenderZip - 1], QString());
        mendRecipient(row, joinedParts(parts.value(RecipientCountry)));
        return row;
    }

    // The recipient's state as a code, the city line and country as the
    // destination's post writes them.
    void mendRecipient(AddressRow &row, const QString &country)
    {
        QString &city = row.fields[RecipientCity - 1];
        QString &state = row.fields[RecipientState - 1];
        QString &zip = row.fields[RecipientZip - 1];
        const QString stateCode = usStateCode(state);
        const Destination destination = destinationOf(country, stateCode, city);
        if (!destination.domestic) {
            city = cityLineAbroad(destination.code, city, state, zip);
            state.clear();
            zip.clear();
            row.fields << destination.countryLine;
            if (!destination.code.isEmpty() && country.trimmed() != destination.countryLine)
                noteLine(m_countriesNamed, m_record.line);
            return;
        }
        if (stateCode != state) {
            state = stateCode;
            noteLine(m_statesCoded, m_record.line);
        }
        // A territory given as the country is its own state.
        if (state.isEmpty() && destination.code != QLatin1String("US")) {
            state = destination.code;
            noteLine(m_statesCoded, m_record.line);
        }
        mendZip(zip, state);
    }

    void mendZip(QString &zip, const QString &state)
    {
        const MendedZip mended = mendedUsZip(zip, state);
        zip = mended.zip;
        if (mended.zeroRestored)
            noteLine(m_zeroRestored, m_record.line);
        if (mended.hyphenated)
            noteLine(m_hyphenated, m_record.line);
    }

    // Whether a short record has text where the recipient's address stands.
    bool holdsAddressCell() const
    {
        for (const auto &[target, columns] : m_columns.columnsOf) {
            if (target.first < RecipientStreet || target.first > RecipientZip)
                continue;
            for (const int column : columns) {
                if (!m_record.fields.value(column).trimmed().isEmpty())
                    return true;
            }
        }
        return false;
    }

    static bool isBlank(const QStringList &fields)
    {
        for (const QString &cell : fields) {
            if (!cell.trimmed().isEmpty())
                return false;
        }
        return true;
    }

    void readRow()
    {
        if (isBlank(m_record.fields)) {
            if (m_trailer.isEmpty()) {
                ++m_reading.rowsRead;
                m_reading.skipped << SkippedRow{m_record.line, QStringLiteral("blank")};
            }
            return;
        }
        // Lines with fewer fields after the rows, such as eBay's "3 record(s)
        // downloaded" and "Seller ID", end the list; a row after them is
        // again a fault of the file.
        if (m_record.fields.size() < m_header.size() && m_record.fields.size() <= kMaxTrailerFields
            && !holdsAddressCell()) {
            if (m_trailer.isEmpty())
                m_trailerFields = int(m_record.fields.size());
            m_trailer << m_record.line;
            if (m_trailerText.isEmpty())
                m_trailerText = m_record.fields.join(QLatin1Char(' ')).simplified().left(60);
            return;
        }
        if (m_record.fields.size() != m_header.size() || !m_trailer.isEmpty()) {
            const int line = m_trailer.isEmpty() ? m_record.line : m_trailer.first();
            throw Failure(QStringLiteral("%1: %2 fields, but the header names %3 columns")
                              .arg(at(line))
                              .arg(m_trailer.isEmpty() ? m_record.fields.size() : m_trailerFields)
                              .arg(m_header.size()));
        }
        ++m_reading.rowsRead;
        const RowParts parts = partsOfRecord();
        const QString orderNumber = m_orderColumns.order >= 0 ? m_record.fields[m_orderColumns.order].trimmed()
                                                              : QString();
        bool done = false;
        for (const OrderColumns::Status &status : std::as_const(m_orderColumns.statuses))
            done = done || marksOrderDone(status, m_record.fields[status.column]);
        // A row of no order number is an order of its own.
        const QString order = orderNumber.isEmpty() && done ? QStringLiteral("line %1").arg(m_record.line)
                                                            : orderNumber;
        if (done)
            m_doneOrders.insert(order);
        if (!holdsRecipient(parts)) {
            // Shopify repeats an order on a row per further item, shipping cells empty.
            const bool furtherItem = !orderNumber.isEmpty() && m_orderOfRow.contains(orderNumber);
            m_reading.skipped << SkippedRow{m_record.line,
                                            furtherItem ? QString::fromLatin1(kFurtherItemReason)
                                                        : QStringLiteral("no recipient address")};
            if (furtherItem)
                m_itemRowOrders.insert(m_reading.skipped.size() - 1, order);
            return;
        }
        AddressRow row = rowOf(parts);
        if (m_reading.rows.size() == kMaxAddresses)
            throw Failure(QStringLiteral("%1: more than %2 addresses; one run makes labels for at most %2, "
                                         "so split the list")
                              .arg(at(m_record.line), QLocale(QLocale::English).toString(kMaxAddresses)));
        if (!order.isEmpty())
            m_orderOfRow.insert(order, int(m_reading.rows.size()));
        m_rowOrders << order;
        m_reading.rows << row;
    }

    // One label per order and address: the rows of an order with the same
    // address merge, orders sent or called off are left out (unless all are
    // wanted), and an order whose rows disagree on the address is named.
    void mergeOrders()
    {
        static const QString leftOut = QStringLiteral("an order cancelled, refunded or already sent (--all-orders "
                                                      "makes its label)");
        for (auto it = m_itemRowOrders.cbegin(); it != m_itemRowOrders.cend(); ++it) {
            if (!m_allOrders && m_doneOrders.contains(it.value()))
                m_reading.skipped[it.key()].reason = leftOut;
        }
        QList<AddressRow> kept;
        std::map<QString, QList<qsizetype>> keptOfOrder; // order -> indexes into kept
        QStringList disagreeing;
        for (qsizetype i = 0; i < m_reading.rows.size(); ++i) {
            const AddressRow &row = m_reading.rows[i];
            const QString &order = m_rowOrders[i];
            if (!order.isEmpty() && !m_allOrders && m_doneOrders.contains(order)) {
                m_reading.skipped << SkippedRow{row.line, leftOut};
                continue;
            }
            if (order.isEmpty()) {
                kept << row;
                continue;
            }
            QList<qsizetype> &same = keptOfOrder[order];
            bool merged = false;
            for (const qsizetype k : std::as_const(same)) {
                if (kept[k].fields.mid(RecipientCompany - 1) == row.fields.mid(RecipientCompany - 1)) {
                    m_reading.skipped << SkippedRow{row.line, QString::fromLatin1(kFurtherItemReason)};
                    merged = true;
                    break;
                }
            }
            if (merged)
                continue;
            if (same.size() == 1)
                disagreeing << order;
            same << kept.size();
            kept << row;
        }
        std::sort(m_reading.skipped.begin(), m_reading.skipped.end(),
                  [](const SkippedRow &a, const SkippedRow &b) { return a.line < b.line; });
        if (!disagreeing.isEmpty()) {
            QStringList said;
            for (const QString &order : std::as_const(disagreeing)) {
                QList<int> lines;
                for (const qsizetype k : keptOfOrder[order])
                    lines << kept[k].line;
                said << QStringLiteral("order %1 (%2)").arg(order, lineList(lines));
            }
            m_reading.notices << QStringLiteral("%1: the rows of an order give different addresses, so each takes a "
                                                "label of its own: %2")
                                     .arg(m_name, said.join(QStringLiteral("; ")));
        }
        m_reading.rows = kept;
    }

    AddressListReading finish()
    {
        mergeOrders();
        if (!m_trailer.isEmpty())
            m_reading.notices << QStringLiteral("%1: the list ends at line %2; %3 after it %4 not rows (\"%5\")")
                                     .arg(m_name)
                                     .arg(m_trailer.first() - 1)
                                     .arg(lineList(m_trailer),
                                          m_trailer.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                                          m_trailerText);
        if (m_reader.fellBackToWindows1252())
            m_reading.notices << QStringLiteral("%1 is not UTF-8 text: read as Windows-1252").arg(m_name);
        if (!m_zeroRestored.isEmpty())
            m_reading.notices << QStringLiteral("%1: ZIP codes given back the leading zero a spreadsheet drops (%2)")
                                     .arg(m_name, lineList(m_zeroRestored));
        if (!m_hyphenated.isEmpty())
            m_reading.notices << QStringLiteral("%1: 9-digit ZIP codes written as ZIP+4 with a hyphen (%2)")
                                     .arg(m_name, lineList(m_hyphenated));
        if (!m_unwrapped.isEmpty())
            m_reading.notices << QStringLiteral("%1: a leading ' or =\"...\" a spreadsheet keeps taken off (%2)")
                                     .arg(m_name, lineList(m_unwrapped));
        if (!m_statesCoded.isEmpty())
            m_reading.notices << QStringLiteral("%1: US states and territories written as their two-letter codes (%2)")
                                     .arg(m_name, lineList(m_statesCoded));
        if (!m_countriesNamed.isEmpty())
            m_reading.notices << QStringLiteral("%1: countries written as their English names in capitals (%2)")
                                     .arg(m_name, lineList(m_countriesNamed));
        m_reading.valuesMended = int(m_zeroRestored.size() + m_hyphenated.size() + m_unwrapped.size()
                                     + m_statesCoded.size() + m_countriesNamed.size());
        if (m_reading.rows.isEmpty())
            throw Failure(m_reading.rowsRead
                              ? QStringLiteral("%1: no row holds a recipient address").arg(m_name)
                              : QStringLiteral("%1: the list holds no addresses, only its header").arg(m_name));
        return m_reading;
    }

    CsvReader m_reader;
    CsvRecord m_record;
    const QString m_name;
    const QStringList m_defaults;
    QStringList m_header;
    ListColumns m_columns;
    const bool m_allOrders;
    QList<int> m_trailer; // the lines after the rows
    int m_trailerFields = 0;
    QString m_trailerText;
    OrderColumns m_orderColumns;
    QList<QString> m_rowOrders;               // the order number of each row read, or empty
    QMultiMap<QString, int> m_orderOfRow;     // order number -> rows of it
    QMap<qsizetype, QString> m_itemRowOrders; // skipped item rows -> their order
    QSet<QString> m_doneOrders;
    QList<int> m_zeroRestored, m_hyphenated, m_unwrapped, m_statesCoded, m_countriesNamed;
    AddressListReading m_reading;
};

} // namespace

namespace AddressList {

AddressListReading read(QIODevice &device, const QString &name, const QStringList &defaults,
                        const QMap<int, QString> &columnOfField, bool allOrders)
{
    return ListReader(device, name, defaults, allOrders).read(columnOfField);
}

QStringList listDefaults(const QStringList &typed)
{
    QStringList defaults = typed.mid(0, 6);
    while (defaults.size() < AddressFields::kCount)
        defaults << QString();
    return defaults;
}

AddressListReading readFile(const QString &path, const QStringList &defaults, const QMap<int, QString> &columnOfField,
                            bool allOrders)
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
    return read(file, path, defaults, columnOfField, allOrders);
}

} // namespace AddressList
