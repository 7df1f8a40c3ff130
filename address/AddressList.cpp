#include "address/AddressList.h"

#include "address/AddressFields.h"
#include "address/Csv.h"
#include "address/ListValues.h"
#include "core/Failure.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

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

// One pass over a list: the header, then row by row into a reading.
class ListReader
{
public:
    ListReader(QIODevice &device, const QString &name, const QStringList &defaults)
        : m_reader(device)
        , m_name(name)
        , m_defaults(defaults)
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
        if (!nextRecord() || (m_record.fields.size() == 1 && m_record.fields[0].trimmed().isEmpty()))
            throw Failure(QStringLiteral("%1: the first line must name the columns").arg(at(1)));
        m_header = m_record.fields;
        m_columns = recogniseColumns(m_header, at(m_record.line), columnOfField);
        // Shopify repeats an order on a row per further item, shipping cells empty.
        m_itemRows = m_header.contains(QStringLiteral("Lineitem name"), Qt::CaseInsensitive);
        m_reading.senderColumns = m_columns.hasSender();
        QStringList unused;
        for (qsizetype c = 0; c < m_header.size(); ++c) {
            if (!m_columns.usesColumn(int(c)) && !m_header[c].trimmed().isEmpty())
                unused << m_header[c].trimmed();
        }
        if (!unused.isEmpty())
            m_reading.notices
                << QStringLiteral("%1: columns not used: %2").arg(m_name, unused.join(QStringLiteral(", ")));
    }

    // The record's cells, by field and part.
    RowParts partsOfRecord() const
    {
        RowParts parts;
        for (const auto &[target, columns] : m_columns.columnsOf) {
            QStringList cells;
            for (const int column : columns) {
                const QString cell = m_record.fields[column].trimmed();
                if (cell.size() > kMaxFieldLength)
                    throw Failure(QStringLiteral("%1: the column %2 holds %3 characters; a label shows no more than %4")
                                      .arg(at(m_record.line), m_header[column].trimmed())
                                      .arg(cell.size())
                                      .arg(kMaxFieldLength));
                cells << cell;
            }
            parts[target.first][target.second] = cells.join(QLatin1Char(' '));
        }
        return parts;
    }

    // Where the list has address columns, a row with none of them filled is
    // no address (PayPal lists fees and transfers by a name alone).
    bool holdsRecipient(const RowParts &parts) const
    {
        const bool addressColumns = m_columns.hasRecipientAddress();
        const int first = addressColumns ? RecipientStreet : RecipientCompany;
        const int last = addressColumns ? RecipientZip : kCountryField;
        for (int field = first; field <= last; ++field) {
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
            const QString text = joinedParts(it.value());
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
        const QString country = joinedParts(parts.value(RecipientCountry));
        const bool abroad = !isUnitedStates(country);
        if (abroad)
            row.fields << country.toUpper();
        for (const int zipField : {SenderZip, RecipientZip}) {
            if ((zipField == RecipientZip && abroad) || !parts.contains(zipField))
                continue;
            const MendedZip mended = mendedUsZip(row.fields[zipField - 1]);
            row.fields[zipField - 1] = mended.zip;
            if (mended.zeroRestored)
                noteLine(m_zeroRestored, m_record.line);
            if (mended.hyphenated)
                noteLine(m_hyphenated, m_record.line);
        }
        return row;
    }

    void readRow()
    {
        ++m_reading.rowsRead;
        bool blank = true;
        for (const QString &cell : std::as_const(m_record.fields))
            blank = blank && cell.trimmed().isEmpty();
        if (blank) {
            m_reading.skipped << SkippedRow{m_record.line, QStringLiteral("blank")};
            return;
        }
        if (m_record.fields.size() != m_header.size())
            throw Failure(QStringLiteral("%1: %2 fields, but the header names %3 columns")
                              .arg(at(m_record.line))
                              .arg(m_record.fields.size())
                              .arg(m_header.size()));
        const RowParts parts = partsOfRecord();
        if (!holdsRecipient(parts)) {
            m_reading.skipped << SkippedRow{m_record.line,
                                            m_itemRows && m_lastAddressLine
                                                ? QStringLiteral("a further item of the order above")
                                                : QStringLiteral("no recipient address")};
            return;
        }
        AddressRow row = rowOf(parts);
        if (m_reading.rows.size() == kMaxAddresses)
            throw Failure(QStringLiteral("%1: more than %2 addresses; one run makes labels for at most %2, "
                                         "so split the list")
                              .arg(at(m_record.line), QLocale(QLocale::English).toString(kMaxAddresses)));
        m_lastAddressLine = m_record.line;
        m_reading.rows << row;
    }

    AddressListReading finish()
    {
        if (m_reader.fellBackToWindows1252())
            m_reading.notices << QStringLiteral("%1 is not UTF-8 text: read as Windows-1252").arg(m_name);
        if (!m_zeroRestored.isEmpty())
            m_reading.notices << QStringLiteral("%1: ZIP codes given back the leading zero a spreadsheet drops (%2)")
                                     .arg(m_name, lineList(m_zeroRestored));
        if (!m_hyphenated.isEmpty())
            m_reading.notices << QStringLiteral("%1: 9-digit ZIP codes written as ZIP+4 with a hyphen (%2)")
                                     .arg(m_name, lineList(m_hyphenated));
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
    bool m_itemRows = false;
    int m_lastAddressLine = 0;
    QList<int> m_zeroRestored, m_hyphenated;
    AddressListReading m_reading;
};

} // namespace

namespace AddressList {

AddressListReading read(QIODevice &device, const QString &name, const QStringList &defaults,
                        const QMap<int, QString> &columnOfField)
{
    return ListReader(device, name, defaults).read(columnOfField);
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
