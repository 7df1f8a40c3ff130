// The options of a run are one table (BatchOptions), which --help prints;
// the manual page and the README describe them by hand, so they are checked
// against it: every option named in both, no option named that is not one,
// the same limits and exit statuses. And what the arguments of a start
// without a run's options open.

#include "address/AddressList.h"
#include "address/Csv.h"
#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/ListRun.h"
#include "labels/LabelPlan.h"
#include "labels/SheetFormats.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>

namespace {

QString sourceText(const QString &relative)
{
    return QString::fromUtf8(ReadFileBytes(QStringLiteral(PARCELON_SOURCE_DIR "/") + relative));
}

QString readmeSection()
{
    const QString readme = sourceText(QStringLiteral("README.md"));
    const qsizetype start = readme.indexOf(QLatin1String("## Labels from the command line"));
    return readme.mid(start, readme.indexOf(QLatin1String("\n## "), start + 1) - start);
}

QString helpText()
{
    QStringList descriptions;
    for (const QCommandLineOption &option : BatchOptions())
        descriptions << option.description();
    return descriptions.join(QLatin1Char(' '));
}

QStringList optionNames()
{
    QStringList names = {QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("version")};
    for (const QCommandLineOption &option : BatchOptions())
        names << option.names().first();
    return names;
}

} // namespace

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void documentsMatchTheOptionTable_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<bool>("roff"); // hyphens written \-, an option with its value as .BI --name " value"
        QTest::newRow("manual page") << sourceText(QStringLiteral("docs/parcelon.1.in")) << true;
        QTest::newRow("README") << readmeSection() << false;
    }

    void documentsMatchTheOptionTable()
    {
        QFETCH(QString, document);
        QFETCH(bool, roff);
        QVERIFY(!document.isEmpty());
        auto written = [roff](QString text) {
            return roff ? text.replace(QLatin1Char('-'), QLatin1String("\\-")) : text;
        };
        for (const QCommandLineOption &option : BatchOptions()) {
            const QString name = written(QStringLiteral("--") + option.names().first());
            const QString wanted = roff && !option.valueName().isEmpty()
                ? QStringLiteral(".BI %1 \" %2\"").arg(name, option.valueName())
                : name;
            QVERIFY2(document.contains(wanted), qPrintable(wanted));
        }
        const QStringList known = optionNames();
        const QRegularExpression anyOption(QRegularExpression::escape(written(QStringLiteral("--")))
                                           + QStringLiteral("([a-z][a-z\\\\-]*)"));
        QRegularExpressionMatchIterator it = anyOption.globalMatch(document);
        while (it.hasNext()) {
            const QString name = it.next().captured(1).remove(QLatin1Char('\\'));
            // "--recipient-" stands for the six recipient options.
            const bool ok = name.endsWith(QLatin1Char('-'))
                ? !known.filter(QRegularExpression(QLatin1Char('^') + name)).isEmpty()
                : known.contains(name);
            QVERIFY2(ok, qPrintable(QStringLiteral("--%1 is no option").arg(name)));
        }
        for (const SheetFormat &format : kSheetFormats)
            QVERIFY2(document.contains(QStringLiteral(".%1").arg(QLatin1String(format.extension))), format.extension);
    }

    void documentsStateTheLimits_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<bool>("exitStatus");
        QTest::newRow("manual page") << sourceText(QStringLiteral("docs/parcelon.1.in")) << true;
        QTest::newRow("README") << readmeSection() << true;
        QTest::newRow("--help") << helpText() << false;
    }

    void documentsStateTheLimits()
    {
        QFETCH(QString, document);
        QFETCH(bool, exitStatus);
        document = document.simplified().remove(QLatin1Char('\\'));
        const QLocale english(QLocale::English);
        const QStringList limits = {
            english.toString(AddressList::kMaxFieldLength) + QStringLiteral(" characters"),
            QStringLiteral("%1 KiB").arg(CsvReader::kMaxRecordBytes / 1024),
            english.toString(AddressList::kMaxAddresses) + QStringLiteral(" addresses"),
            english.toString(kMaxSheets) + QStringLiteral(" sheets"),
            QStringLiteral("1 to %1").arg(kMaxCopies),
        };
        for (const QString &limit : limits)
            QVERIFY2(document.contains(limit), qPrintable(limit));
        // The statuses main() and RunBatch return, and why.
        if (exitStatus) {
            for (const char *status : {"0 when", "1 when",
                                       "2 for a wrong option, an option given twice, an argument beside the options "
                                       "of a run, or a run without a sender"})
                QVERIFY2(document.contains(QLatin1String(status)), status);
        }
    }

    // What a start opens: the arguments that are no options are lists for
    // the window, unless a run's options make it a run without one.
    void argumentsOpenLists_data()
    {
        const QString here = QDir::currentPath() + QLatin1Char('/');
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lists");
        QTest::newRow("none") << QStringList() << -1 << QStringList();
        QTest::newRow("one, relative") << QStringList{"orders.csv"} << -1 << QStringList{here + "orders.csv"};
        QTest::newRow("after a toolkit option's value")
            << QStringList{"-style", "fusion", "-reverse", "orders.tsv"} << -1 << QStringList{here + "orders.tsv"};
        QTest::newRow("a file: address") << QStringList{"file:///tmp/May%20orders.csv"} << -1
                                         << QStringList{"/tmp/May orders.csv"};
        QTest::newRow("two, in order") << QStringList{"/data/b.csv", "a.csv"} << -1
                                       << QStringList{"/data/b.csv", here + "a.csv"};
        QTest::newRow("a dash name after --") << QStringList{"--", "-odd.csv"} << -1 << QStringList{here + "-odd.csv"};
        QTest::newRow("beside a run's options")
            << QStringList{"--output", "labels.pdf", "orders.csv"} << 2 << QStringList();
        QTest::newRow("beside a wrong option") << QStringList{"--frobnicate", "orders.csv"} << 2 << QStringList();
    }

    void argumentsOpenLists()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, lists);
        QByteArrayList bytes{"parcelon"};
        for (const QString &argument : arguments)
            bytes << argument.toLocal8Bit();
        std::vector<char *> argv;
        for (QByteArray &argument : bytes)
            argv.push_back(argument.data());
        CommandLine commandLine;
        QCOMPARE(commandLine.parse(int(argv.size()), argv.data()), status);
        if (status < 0)
            QCOMPARE(commandLine.listFiles(), lists);
    }

    // Qt's options are read by the application object, which needs a
    // display; the list set aside before it must hold every one --help-all,
    // Qt's own list, names, with the same need for a value.
    void toolkitOptionsAreQts()
    {
        QProcess help;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("XDG_SESSION_TYPE")); // the X11 options are listed too
        help.setProcessEnvironment(environment);
        help.start(QStringLiteral(PARCELON_BINARY), {QStringLiteral("--help-all")});
        QVERIFY(help.waitForFinished(30000));
        QCOMPARE(help.exitCode(), 0);
        QMap<QString, bool> setAside;
        for (const ToolkitOption &option : ToolkitOptions())
            setAside[QLatin1String(option.name)] = option.takesValue;
        const QStringList own = optionNames();
        const QRegularExpression line(QStringLiteral("^ +(?:-\\w, )?--?([a-z-]+)( <[^>]+>)?"),
                                      QRegularExpression::MultilineOption);
        int toolkit = 0;
        for (QRegularExpressionMatchIterator it =
                 line.globalMatch(QString::fromLocal8Bit(help.readAllStandardOutput()));
             it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const QString name = match.captured(1);
            if (own.contains(name))
                continue;
            ++toolkit;
            QVERIFY2(setAside.contains(name), qPrintable(QStringLiteral("Qt's -%1 is not set aside").arg(name)));
            QCOMPARE(setAside[name], match.capturedLength(2) > 0);
        }
        QVERIFY(toolkit >= 10);
    }
};

PARCELON_TEST_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
