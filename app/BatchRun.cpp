#include "app/BatchRun.h"

#include "address/AddressFields.h"
#include "address/AddressList.h"
#include "address/AddressStore.h"
#include "core/AppInfo.h"
#include "core/Failure.h"
#include "core/MessageBoxes.h"
#include "core/Seams.h"
#include "core/SettingsStore.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
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

// "sender-company" .. "recipient-zip"
QString fieldOption(int field)
{
    return AddressList::columnName(field).replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString fieldDescription(int field)
{
    static const char *const roles[6] = {"company", "name", "street address", "city", "state", "ZIP code"};
    return QStringLiteral("%1 %2 for this run (not stored).")
        .arg(field <= 6 ? QStringLiteral("Sender") : QStringLiteral("Recipient"),
             QLatin1String(roles[(field - 1) % 6]));
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

void AddBatchOptions(QCommandLineParser &parser)
{
    parser.addOption({kOutput,
                      QStringLiteral("Make the label sheet without a window and write it to <file>; "
                                     "the extension names the format: .doc, .docx, .odt or .pdf."),
                      QStringLiteral("file")});
    parser.addOption({kCsv,
                      QStringLiteral("Make one sheet per row of the CSV address list <list> "
                                     "(with --output). Its first line names the columns: "
                                     "recipient_company, recipient_name, recipient_street, "
                                     "recipient_city, recipient_state, recipient_zip and, "
                                     "optionally, the same six with sender_."),
                      QStringLiteral("list")});
    for (int field = 1; field <= AddressFields::kCount; ++field)
        parser.addOption({fieldOption(field), fieldDescription(field), QStringLiteral("text")});
}

bool IsBatchRun(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QStringList names = {kOutput, kCsv};
    for (int field = 1; field <= AddressFields::kCount; ++field)
        names << fieldOption(field);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        for (const QString &name : std::as_const(names)) {
            const QString option = QStringLiteral("--") + name;
            if (argument == option || argument.startsWith(option + QLatin1Char('=')))
                return true;
        }
    }
    return false;
}

int RunBatch(const QCommandLineParser &parser, EngineFactory &engines, QTextStream &errors)
{
    if (!parser.positionalArguments().isEmpty()) {
        complain(errors, QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
        return 2;
    }
    const QString output = parser.value(kOutput);
    if (!parser.isSet(kOutput) || output.isEmpty()) {
        complain(errors, QStringLiteral("--output <file> is needed: the file to write the labels to"));
        return 2;
    }
    if (!SheetFormatOf(output)) {
        complain(
            errors,
            QStringLiteral("%1: the name must end in .doc, .docx, .odt or .pdf, which names the format").arg(output));
        return 2;
    }

    try {
        // The stored fields, read only, then this run's options over them.
        ErrorStreamBoxes boxes(errors);
        SettingsStore settings;
        AddressStore store(settings, boxes); // only restored from, never saved to
        QStringList fields;
        for (int field = 1; field <= AddressFields::kCount; ++field)
            fields << (parser.isSet(fieldOption(field)) ? parser.value(fieldOption(field)) : store.restore(field));

        QList<QStringList> sheets;
        if (parser.isSet(kCsv)) {
            const QString listPath = parser.value(kCsv);
            QFile list(listPath);
            // Only a plain file: a pipe or a device could be read for ever.
            if (!QFileInfo(listPath).isFile())
                throw Failure(QStringLiteral("cannot read %1: it is not a file").arg(listPath));
            if (!list.open(QIODevice::ReadOnly))
                throw Failure(QStringLiteral("cannot read %1: %2").arg(listPath, list.errorString()));
            const QByteArray bytes = list.readAll();
            try {
                for (const AddressRow &row : AddressList::read(bytes, fields))
                    sheets << row.fields;
            } catch (const Failure &failure) {
                throw Failure(listPath + QStringLiteral(", ") + failure.description());
            }
        } else {
            sheets << fields;
        }

        StopWatcher watcher(engines);
        try {
            MakeLabelSheets(engines, sheets, output, [](int) {
                if (g_stopSignal)
                    throwStopped();
            });
        } catch (const Failure &) {
            if (g_stopSignal)
                throwStopped(); // not the office's failure that the stop caused
            throw;
        }
        if (g_stopSignal) // after the office's last call: the file is complete
            throw Failure(QStringLiteral("stopped by signal %1 as %2 was finished").arg(int(g_stopSignal)).arg(output));
        return 0;
    } catch (const Failure &failure) {
        complain(errors, failure.description());
    } catch (const std::exception &error) {
        complain(errors, QString::fromLocal8Bit(error.what()));
    }
    return 1;
}

int BatchMain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(AppInfo::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::kProductTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::kVersion));

    QTextStream errors(stderr);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes a sheet of six shipping labels."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    AddBatchOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        complain(errors, parser.errorText());
        return 2;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    NoClipboard clipboard;
    ModuleEngineFactory engines(clipboard);
    return RunBatch(parser, engines, errors);
}
