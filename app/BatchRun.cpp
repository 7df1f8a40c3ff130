#include "app/BatchRun.h"

#include "address/AddressFields.h"
#include "address/AddressList.h"
#include "address/AddressStore.h"
#include "address/Csv.h"
#include "app/ListRun.h"
#include "core/AppInfo.h"
#include "core/Failure.h"
#include "core/MessageBoxes.h"
#include "core/OwnedTemporaries.h"
#include "core/Seams.h"
#include "core/SettingsStore.h"
#include "labels/LabelFit.h"
#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetFormats.h"
#include "labels/SheetMaker.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

const QString kOutput = QStringLiteral("output");
const QString kCsv = QStringLiteral("csv");
const QString kStart = QStringLiteral("start");
const QString kCopies = QStringLiteral("copies");
const QString kMap = QStringLiteral("map");
const QString kStock = QStringLiteral("stock");
const QString kAllOrders = QStringLiteral("all-orders");

// "sender-company" .. "recipient-zip"
QString fieldOption(int field)
{
    return AddressList::columnName(field).replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString fieldDescription(int field)
{
    return QStringLiteral("%1 for this run (not stored).").arg(FieldRoleName(field, RoleStyle::Plain));
}

// One line, whatever the description holds.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

void complain(QTextStream &errors, const QString &reason)
{
    errors << QString::fromLatin1(AppInfo::kProductTitle).toLower() << ": " << oneLine(reason) << Qt::endl;
}

// A wrong option: said on one line, exit status 2.
struct OptionError
{
    QString text;
};

int numberOption(const QCommandLineParser &parser, const QString &name, int fallback, int lowest, int highest,
                 const QString &meaning)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).trimmed().toInt(&ok);
    if (!ok || value < lowest || value > highest)
        throw OptionError{QStringLiteral("--%1 takes %2 from %3 to %4, not \"%5\"")
                              .arg(name, meaning)
                              .arg(lowest)
                              .arg(highest)
                              .arg(parser.value(name))};
    return value;
}

// A run has no window to show a box in; what a box would say goes to the
// error stream.
class ErrorStreamBoxes : public MessageBoxes
{
public:
    explicit ErrorStreamBoxes(QTextStream &errors)
        : m_errors(errors)
    {
    }
    BoxAnswer show(const QString &text, const QString &, BoxStyle style) override
    {
        complain(m_errors, text);
        return style == BoxStyle::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    }

private:
    QTextStream &m_errors;
};

// The engine needs a clipboard for the preview picture, which a run never makes.
class NoClipboard : public PictureClipboard
{
public:
    QImage image() override { return QImage(); }
    void setImage(const QImage &) override {}
};

// Ctrl+C, a closed terminal or a kill: the office is stopped at once, so the
// sheet or the save under way fails and the fresh file is removed as on any
// failure; the run then ends with a failure. Should anything still hold the
// run a second later, it ends there and then.
volatile std::sig_atomic_t g_stopSignal = 0;

void noteStop(int signalNumber)
{
    if (g_stopSignal == 0)
        ::alarm(1);
    g_stopSignal = signalNumber;
}

void endNow(int)
{
    ::_exit(128 + g_stopSignal);
}

// Watches for a stop from the signal handler (which may only set a flag) and
// stops the engine from an ordinary thread.
class StopWatcher
{
public:
    explicit StopWatcher(EngineFactory &engines)
        : m_thread([this, &engines] {
            std::unique_lock lock(m_mutex);
            while (!m_done && !g_stopSignal)
                m_changed.wait_for(lock, std::chrono::milliseconds(20));
            if (g_stopSignal)
                engines.abandon();
        })
    {
        struct sigaction alarm = {};
        alarm.sa_handler = endNow;
        sigemptyset(&alarm.sa_mask);
        ::sigaction(SIGALRM, &alarm, nullptr);
        struct sigaction action = {};
        action.sa_handler = noteStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signalNumber, &action, nullptr);
    }
    ~StopWatcher()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_thread;
};

[[noreturn]] void throwStopped()
{
    throw Failure(QStringLiteral("stopped by signal %1; nothing was written").arg(int(g_stopSignal)));
}

} // namespace

QList<QCommandLineOption> BatchOptions()
{
    QList<QCommandLineOption> options = {
        {kOutput,
         QStringLiteral("Make the labels without a window and write them to <file>; the extension names the format: "
                        "%1.")
             .arg(SheetFormatsDescribed()),
         QStringLiteral("file")},
        {kCsv,
         QStringLiteral("Make a label for each address of <list> (with --output): an order export of Shopify, "
                        "WooCommerce, Etsy, eBay, PayPal, Amazon or Squarespace, or a list whose first line names "
                        "the columns recipient_name, recipient_street ... (see --map); comma, semicolon or tab "
                        "separated, or a spreadsheet (.xlsx, .xlsm, .xls, .ods: its first sheet). At most %1 addresses "
                        "and %2 sheets; a field over %3 characters or a row over %4 KiB is refused.")
             .arg(QLocale(QLocale::English).toString(AddressList::kMaxAddresses),
                  QLocale(QLocale::English).toString(kMaxSheets),
                  QLocale(QLocale::English).toString(AddressList::kMaxFieldLength))
             .arg(CsvReader::kMaxRecordBytes / 1024),
         QStringLiteral("list")},
        {kStock,
         QStringLiteral("Print on the label stock <name>, a name or product number: %1 (the default: %2), "
                        "4x6 (thermal), 5126 (half sheets), 5163, L7166 or L7169; --stock list shows them all.")
             .arg(DefaultStock().name, DefaultStock().title),
         QStringLiteral("name")},
        {kStart,
         QStringLiteral("Begin the first sheet at label <label>, 1 (top left) to the sheet's last (6 on the default "
                        "stock), in reading order; the labels before it stay blank, for a partly used sheet."),
         QStringLiteral("label")},
        {kCopies,
         QStringLiteral("Fill <count> labels in a row with each address, 1 to %1: 1 by default with --csv, a whole "
                        "sheet without.")
             .arg(kMaxCopies),
         QStringLiteral("count")},
        {kMap,
         QStringLiteral("Take a field (recipient_name, recipient_street, sender_zip, recipient_country ...) from "
                        "the list's column of another name, as in recipient_name=\"Ship To\", or from several "
                        "joined, as in recipient_name=\"First Name+Last Name\"; may be repeated."),
         QStringLiteral("field=column")},
        {kAllOrders,
         QStringLiteral("Make labels for the list's cancelled, refunded and already sent orders too (left out "
                        "by default).")},
    };
    for (int field = 1; field <= AddressFields::kCount; ++field)
        options << QCommandLineOption(fieldOption(field), fieldDescription(field), QStringLiteral("text"));
    return options;
}

bool IsRepeatableOption(const QString &name)
{
    return name == kMap;
}

bool IsBatchRun(const QCommandLineParser &parser)
{
    for (const QCommandLineOption &option : BatchOptions()) {
        if (parser.isSet(option.names().first()))
            return true;
    }
    return false;
}

namespace {

// What the options ask for, checked. Throws OptionError.
struct RunRequest
{
    QString output;
    bool list = false; // without one, the one address of the options
    QString listPath;
    const LabelStock *stock = &DefaultStock();
    LabelPlacement placement;
    QMap<int, QString> columnOfField;
    bool allOrders = false; // the list's orders already sent or called off too
};

RunRequest readRequest(const QCommandLineParser &parser)
{
    RunRequest request;
    const bool list = request.list = parser.isSet(kCsv);
    request.output = parser.value(kOutput);
    if (!parser.positionalArguments().isEmpty())
        throw OptionError{QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first())};
    if (!parser.isSet(kOutput) || request.output.isEmpty())
        throw OptionError{QStringLiteral("--output <file> is needed: the file to write the labels to")};
    if (!SheetFormatOf(request.output))
        throw OptionError{QStringLiteral("%1: the name must end in %2, which names the format")
                              .arg(request.output, SheetExtensions())};
    request.listPath = parser.value(kCsv);
    if (parser.isSet(kStock)) {
        const QString wanted = parser.value(kStock).trimmed();
        request.stock = FindStock(wanted);
        if (!request.stock)
            throw OptionError{QStringLiteral("--stock \"%1\" is no label stock known here; known: %2 (or a product "
                                             "number that --stock list shows)")
                                  .arg(wanted, StockNames())};
    }
    const int labels = request.stock->labels();
    request.placement.labelsPerSheet = labels;
    request.placement.start = numberOption(parser, kStart, 1, 1, labels, QStringLiteral("a label number"));
    // Copies without a list: the whole sheet, as the window makes it.
    request.placement.copies = numberOption(parser, kCopies, list ? 1 : labels, 1, kMaxCopies,
                                            QStringLiteral("a count"));
    if (parser.isSet(kMap) && !list)
        throw OptionError{QStringLiteral("--map names columns of a list, which only --csv gives")};
    if (parser.isSet(kAllOrders) && !list)
        throw OptionError{QStringLiteral("--all-orders concerns the orders of a list, which only --csv gives")};
    request.allOrders = parser.isSet(kAllOrders);
    for (const QString &mapping : parser.values(kMap)) {
        try {
            const auto [field, column] = AddressList::parseMapping(mapping);
            if (request.columnOfField.contains(field))
                throw Failure(QStringLiteral("%1 is mapped twice").arg(AddressList::columnName(field)));
            request.columnOfField[field] = column;
        } catch (const Failure &failure) {
            throw OptionError{QStringLiteral("--map %1").arg(failure.description())};
        }
    }
    return request;
}

// The addresses of the run: the options' own, or the list's with the
// options' and the saved sender as defaults.
struct RunAddresses
{
    QList<QStringList> addresses;
    AddressListReading reading; // of the list, when there is one
    bool senderGiven = false;
};

RunAddresses gatherAddresses(const QCommandLineParser &parser, const RunRequest &request, EngineFactory &engines,
                             QTextStream &errors)
{
    // The store, read only: the window's saved values, never its samples.
    SettingsStore settings;
    ErrorStreamBoxes boxes(errors);
    AddressStore store(settings, boxes);
    RunAddresses run;
    QStringList fields;
    for (int field = 1; field <= AddressFields::kCount; ++field) {
        const bool sender = field <= 6;
        std::optional<QString> text;
        if (parser.isSet(fieldOption(field)))
            text = parser.value(fieldOption(field));
        // The window's recipient is not every list recipient's.
        else if (sender || !request.list)
            text = store.saved(field);
        run.senderGiven = run.senderGiven || (sender && text);
        fields << text.value_or(QString());
    }
    if (!settings.unusableReason().isEmpty())
        complain(errors,
                 QStringLiteral("the saved addresses are not used: cannot use %1: %2")
                     .arg(settings.fileName(), settings.unusableReason()));
    if (!request.list) {
        run.addresses << fields;
        return run;
    }
    run.reading = ReadAddressList(engines, request.listPath, fields, request.columnOfField, request.allOrders);
    run.senderGiven = run.senderGiven || run.reading.senderColumns;
    for (const AddressRow &row : std::as_const(run.reading.rows))
        run.addresses << row.fields;
    return run;
}

// The document written, or a Failure that names the address too long for its
// label, or the signal that stopped the run.
void writeSheets(EngineFactory &engines, const QList<SheetLabels> &sheets, const RunRequest &request,
                 const RunAddresses &run)
{
    StopWatcher watcher(engines);
    try {
        MakeLabelSheets(
            engines, sheets, request.output,
            [](int) {
                if (g_stopSignal)
                    throwStopped();
            },
            *request.stock);
    } catch (const LabelsCutOff &cut) {
        if (g_stopSignal)
            throwStopped();
        if (cut.labels().isEmpty())
            throw;
        const QString written = QStringLiteral("; nothing was written");
        if (request.list) {
            QList<int> lines;
            for (const AddressRow &row : run.reading.rows)
                lines << row.line;
            throw Failure(DescribeCutAddress(cut, request.placement, request.listPath, lines, *request.stock)
                          + written);
        }
        throw Failure(DoesNotFitMessage(QString(), QStringLiteral("--%1").arg(fieldOption(cut.labels().first().field)),
                                        *request.stock)
                      + written);
    } catch (const Failure &) {
        if (g_stopSignal)
            throwStopped(); // not the office's failure that the stop caused
        throw;
    }
    if (g_stopSignal) // after the office's last call: the file is complete
        throw Failure(
            QStringLiteral("stopped by signal %1 as %2 was finished").arg(int(g_stopSignal)).arg(request.output));
}

// "orders.csv: 12 rows read, 11 labels made on 2 sheets, 1 row skipped (...)"
QString runSummary(const RunRequest &request, const RunAddresses &run, qsizetype sheets)
{
    const qsizetype labels = LabelsTaken(run.addresses.size(), request.placement);
    return QStringLiteral("%1: %2 %3 read, %4 %5 made on %6 %7, %8")
        .arg(request.listPath)
        .arg(run.reading.rowsRead)
        .arg(run.reading.rowsRead == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
        .arg(labels)
        .arg(labels == 1 ? QStringLiteral("label") : QStringLiteral("labels"))
        .arg(sheets)
        .arg(sheets == 1 ? QStringLiteral("sheet") : QStringLiteral("sheets"), SkippedRowsSummary(run.reading.skipped));
}

} // namespace

QString StockTable()
{
    QString table;
    QTextStream out(&table);
    for (const LabelStock &stock : LabelStocks()) {
        out << stock.name.leftJustified(7) << stock.title.leftJustified(48) << stock.products.join(QStringLiteral(", "))
            << (stock.isDefault() ? QStringLiteral(" (default)") : QString()) << '\n';
    }
    return table;
}

int RunBatch(const QCommandLineParser &parser, EngineFactory &engines, QTextStream &errors)
{
    if (parser.isSet(kStock) && parser.value(kStock).trimmed() == QLatin1String("list")) {
        QTextStream(stdout) << StockTable();
        return 0;
    }
    RunRequest request;
    try {
        request = readRequest(parser);
    } catch (const OptionError &error) {
        complain(errors, error.text);
        return 2;
    }
    try {
        const RunAddresses run = gatherAddresses(parser, request, engines, errors);
        if (!run.senderGiven) {
            complain(errors,
                     QStringLiteral("no sender address: give one with --sender-name, --sender-street, "
                                    "--sender-city, --sender-state and --sender-zip (or sender_ columns in "
                                    "the list), or type it once in the window, which keeps it"));
            return 2;
        }
        for (const QString &notice : std::as_const(run.reading.notices))
            complain(errors, notice);
        const QList<SheetLabels> sheets = PlanListSheets(run.addresses, request.placement);
        writeSheets(engines, sheets, request, run);
        if (request.list)
            complain(errors, runSummary(request, run, sheets.size()));
        return 0;
    } catch (const Failure &failure) {
        complain(errors, failure.description());
    } catch (const std::exception &error) {
        complain(errors, QString::fromLocal8Bit(error.what()));
    }
    return 1;
}

int BatchMain(int argc, char *argv[], const QCommandLineParser &parser)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(AppInfo::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::kProductTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::kVersion));

    QTextStream errors(stderr);
    // What killed runs left in the temporary folders goes before this run adds its own.
    RemoveDeadTemporariesAtStart();
    NoClipboard clipboard;
    ModuleEngineFactory engines(clipboard);
    // One document and the end: an office grown by a long list is not replaced.
    engines.expectNoLaterWork();
    return RunBatch(parser, engines, errors);
}
