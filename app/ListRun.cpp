#include "app/ListRun.h"

#include "address/AddressList.h"
#include "core/Failure.h"
#include "labels/LabelFit.h"
#include "labels/SpreadsheetList.h"

#include <QBuffer>

#include <map>

AddressListReading ReadAddressList(EngineFactory &engines, const QString &path, const QStringList &defaults,
                                   const QMap<int, QString> &columnOfField, bool allOrders)
{
    if (!IsSpreadsheetFile(path))
        return AddressList::readFile(path, defaults, columnOfField, allOrders);
    FirstSheet sheet = ReadFirstSheet(engines, path);
    QBuffer text(&sheet.csv);
    text.open(QIODevice::ReadOnly);
    AddressListReading reading = AddressList::read(text, path, defaults, columnOfField, allOrders);
    reading.notices.prepend(FirstSheetNotice(path, sheet));
    return reading;
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
