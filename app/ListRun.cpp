#include "app/ListRun.h"

#include "address/AddressFields.h"
#include "address/AddressList.h"
#include "core/Failure.h"
#include "labels/LabelFit.h"
#include "labels/SpreadsheetList.h"

#include <QBuffer>

#include <map>

ListFile::ListFile(EngineFactory &engines, const QString &path)
    : m_path(path)
{
    if (IsSpreadsheetFile(path))
        m_sheet = ReadFirstSheet(engines, path);
}

AddressListReading ListFile::read(const QStringList &defaults, const QMap<int, QString> &columnOfField,
                                  bool allOrders) const
{
    if (!m_sheet)
        return AddressList::readFile(m_path, defaults, columnOfField, allOrders);
    QByteArray csv = m_sheet->csv;
    QBuffer text(&csv);
    text.open(QIODevice::ReadOnly);
    AddressListReading reading = AddressList::read(text, m_path, defaults, columnOfField, allOrders);
    reading.notices.prepend(FirstSheetNotice(m_path, *m_sheet));
    return reading;
}

QString ListFile::sheetRead() const
{
    if (!m_sheet)
        return QString();
    // The notice without the file's name.
    const QString notice = FirstSheetNotice(QString(), *m_sheet);
    return notice.mid(notice.indexOf(QLatin1String("read ")) + 5);
}

AddressListReading ReadAddressList(EngineFactory &engines, const QString &path, const QStringList &defaults,
                                   const QMap<int, QString> &columnOfField, bool allOrders)
{
    return ListFile(engines, path).read(defaults, columnOfField, allOrders);
}

namespace {

QString counted(qsizetype count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

ListOverview DescribeList(const QString &path, const QString &sheetRead, const QStringList &typed,
                          const AddressListReading &reading)
{
    ListOverview overview;
    overview.addresses = reading.rows.size();
    if (reading.senderColumns) {
        overview.sender = QStringLiteral("from the list's own sender columns");
    } else {
        QStringList lines;
        bool sample = false;
        for (int field = 1; field <= 6; ++field) {
            const QString text = typed.value(field - 1).trimmed();
            // The sample's company, name or street left in place would be
            // printed on every label; its state or ZIP code may be the user's.
            sample = sample || (field <= 3 && !text.isEmpty() && text == AddressFields::sampleValue(field));
            if (!text.isEmpty())
                lines << text;
        }
        overview.sender = lines.isEmpty() ? QStringLiteral("none (the sender fields are empty)")
                                          : lines.join(QStringLiteral(", "));
        overview.sampleSender = sample;
    }
    qsizetype merged = 0;
    for (const SkippedRow &row : reading.skipped)
        merged += row.reason == QLatin1String(kFurtherItemReason);
    const qsizetype skipped = reading.skipped.size() - merged;
    if (!sheetRead.isEmpty())
        overview.summary << QStringLiteral("Read %1.").arg(sheetRead);
    overview.summary << QStringLiteral("%1 read: %2.")
                            .arg(counted(reading.rowsRead, "row", "rows"),
                                 counted(overview.addresses, "address", "addresses"));
    if (merged)
        overview.summary << QStringLiteral("%1 merged into %2 order's label.")
                                .arg(counted(merged, "further item row", "further item rows"),
                                     merged == 1 ? QStringLiteral("its") : QStringLiteral("their"));
    if (skipped)
        overview.summary << QStringLiteral("%1 skipped.").arg(counted(skipped, "row", "rows"));
    if (reading.valuesMended)
        overview.summary << QStringLiteral("%1 mended (ZIP codes, states, countries, spreadsheet marks).")
                                .arg(counted(reading.valuesMended, "value", "values"));
    QStringList details = reading.notices;
    details << ListReadSummary(path, reading);
    overview.details = details.join(QLatin1Char('\n'));
    return overview;
}

QList<SheetLabels> PlanListSheets(const QList<QStringList> &addresses, LabelPlacement placement)
{
    const qsizetype sheets = SheetsTaken(addresses.size(), placement);
    if (sheets > kMaxSheets)
        throw Failure(QStringLiteral("%1 sheets asked for; one list makes at most %2").arg(sheets).arg(kMaxSheets));
    return PlanSheets(addresses, placement);
}

QString DoesNotFitMessage(const QString &where, const QString &what, const LabelStock &stock)
{
    const double smallest = LabelTextSizeAt(stock, kLabelTextSteps - 1).recipientPoints;
    const QString message = QStringLiteral("the address does not fit on its label even at %1 pt; shorten %2")
                                .arg(QString::number(smallest), what);
    return where.isEmpty() ? message : where + QStringLiteral(": ") + message;
}

QString DescribeCutAddress(const LabelsCutOff &cut, LabelPlacement placement, const QString &path,
                           const QList<int> &lines, const LabelStock &stock)
{
    const CutLabel &first = cut.labels().first();
    const qsizetype address = AddressAtLabel({first.sheet, first.label}, placement, lines.size());
    const QString more = cut.labels().size() > 1 ? QStringLiteral(" (%1 labels in all)").arg(cut.labels().size())
                                                 : QString();
    return DoesNotFitMessage(QStringLiteral("%1, line %2").arg(path).arg(lines[address]),
                             QStringLiteral("its %1%2").arg(AddressList::columnName(first.field), more), stock);
}

QString ListReadSummary(const QString &path, const AddressListReading &reading)
{
    return QStringLiteral("%1: %2 %3 read, %4")
        .arg(path)
        .arg(reading.rowsRead)
        .arg(reading.rowsRead == 1 ? QStringLiteral("row") : QStringLiteral("rows"),
             SkippedRowsSummary(reading.skipped));
}

QString SkippedRowsSummary(const QList<SkippedRow> &skipped)
{
    if (skipped.isEmpty())
        return QStringLiteral("no rows skipped");
    std::map<QString, QStringList> linesOf;
    QStringList reasons; // in the order first met
    for (const SkippedRow &row : skipped) {
        if (!linesOf.count(row.reason))
            reasons << row.reason;
        QStringList &lines = linesOf[row.reason];
        if (lines.size() < 20)
            lines << QString::number(row.line);
        else if (lines.size() == 20)
            lines << QStringLiteral("...");
    }
    QStringList parts;
    for (const QString &reason : std::as_const(reasons)) {
        const QStringList &lines = linesOf[reason];
        parts << QStringLiteral("%1: %2 %3")
                     .arg(reason, lines.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
                          lines.join(QStringLiteral(", ")));
    }
    return QStringLiteral("%1 %2 skipped (%3)")
        .arg(skipped.size())
        .arg(skipped.size() == 1 ? QStringLiteral("row") : QStringLiteral("rows"), parts.join(QStringLiteral("; ")));
}
