// The command line as a user runs it: the real program, no display, the
// real office; the PDF's pages are measured against the Avery 5164 grid.

#include "core/SettingsStore.h"
#include "tests/support/PdfPages.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <csignal>

namespace {

struct Run
{
    int status = -1;
    QString errors;
};

QString outFolder()
{
    return TestEnvironment::root() + QStringLiteral("/out");
}

QString out(const QString &name)
{
    return outFolder() + QLatin1Char('/') + name;
}

// The program with no display at all, as from a cron job or over ssh.
void startParcelon(QProcess &process, const QStringList &arguments, const QProcessEnvironment &extra = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    for (const QString &key : extra.keys())
        env.insert(key, extra.value(key));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PARCELON_BINARY), arguments);
}

Run runParcelon(const QStringList &arguments, const QProcessEnvironment &extra = {})
{
    QProcess process;
    startParcelon(process, arguments, extra);
    if (!process.waitForFinished(240000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

// A plain list of `rows` recipients, R1 to R<rows>, each with its own ZIP code.
QByteArray numberedList(int rows)
{
    QByteArray csv = "recipient_name,recipient_street,recipient_city,recipient_state,recipient_zip\n";
    for (int i = 1; i <= rows; ++i)
        csv += QStringLiteral("R%1,%1 Main St,Lakeview,ME,%2\n").arg(i).arg(4100 + i, 5, 10, QLatin1Char('0')).toUtf8();
    return csv;
}

QList<int> sorted(QList<int> cells)
{
    std::sort(cells.begin(), cells.end());
    return cells;
}

const QList<int> kAllSixLabels = {0, 1, 2, 3, 4, 5};

// A list with a row one field short on line 4 (its street spans two lines).
QByteArray shortRowList()
{
    return "recipient_name,sender_name,recipient_street,recipient_city\r\n"
           "R1,Clerk1,\"1 Main St\r\nSuite 1\",Bayport\r\n"
           "Rshort,Clerk,street\r\n";
}

// A Shopify orders export: two orders, the first of two items; the
// Shipping Street column, not used, repeats Address1 with Address2.
QByteArray shopifyExport()
{
    return "\xEF\xBB\xBFName,Email,Lineitem name,Shipping Name,Shipping Street,Shipping Address1,Shipping Address2,"
           "Shipping Company,Shipping City,Shipping Zip,Shipping Province,Shipping Country\r\n"
           "#1001,j@e.example,Mug,Jordan Ellery,1200 Harbor Loop Apt 4,1200 Harbor Loop,Apt 4,Harborline,Bayport,"
           "77500,TX,US\r\n"
           "#1001,,Spoon,,,,,,,,,\r\n"
           "#1002,t@w.example,Bowl,Tomasz Wilk,88 Orchard Row,88 Orchard Row,,,Lakeview,4101,ME,US\r\n";
}

} // namespace

class tst_BatchRun : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(outFolder()).removeRecursively();
        QDir().mkpath(outFolder());
        QFile::remove(TestEnvironment::settingsFile()); // nothing saved by the window
    }

    void sheetFromStoreAndOptionsWithoutDisplay()
    {
        SettingsStore settings;
        settings.write(QStringLiteral("Text1"), QStringLiteral("Storedsender"));
        settings.write(QStringLiteral("Text8"), QStringLiteral("Storedrecipient"));
        const QByteArray store = ReadFileBytes(TestEnvironment::settingsFile());
        const QDateTime storeTime = QFileInfo(TestEnvironment::settingsFile()).lastModified();

        const Run run = runParcelon({QStringLiteral("--output"), out(QStringLiteral("sheet.pdf")),
                                     QStringLiteral("--recipient-name"), QStringLiteral("Optionrecipient")});
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        QCOMPARE(run.errors, QString());

        const QList<PdfPage> pages = ReadPdfPages(out(QStringLiteral("sheet.pdf")));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].size.toSize(), QSize(612, 792));
        // Each label carries the stored sender and the option's recipient,
        // the sender above the recipient.
        QCOMPARE(sorted(AveryCellsOfWord(pages[0], QStringLiteral("Storedsender"))), kAllSixLabels);
        QCOMPARE(sorted(AveryCellsOfWord(pages[0], QStringLiteral("Optionrecipient"))), kAllSixLabels);
        QVERIFY(!pages[0].text.contains(QLatin1String("Storedrecipient")));
        // Fields neither given nor saved are empty, never the samples.
        for (const char *sample : {"Whitcombe", "Harborline", "Bayport", "Elmsworth"})
            QVERIFY2(!pages[0].text.contains(QLatin1String(sample)), sample);
        for (const PdfWord &sender : pages[0].words) {
            if (sender.text != QLatin1String("Storedsender"))
                continue;
            for (const PdfWord &recipient : pages[0].words) {
                if (recipient.text == QLatin1String("Optionrecipient")
                    && AveryCellOf(recipient.box) == AveryCellOf(sender.box))
                    QVERIFY(sender.box.bottom() < recipient.box.top());
            }
        }
        // The run only read the store.
        QCOMPARE(ReadFileBytes(TestEnvironment::settingsFile()), store);
        QCOMPARE(QFileInfo(TestEnvironment::settingsFile()).lastModified(), storeTime);
    }

    void formatFollowsTheExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("inside");
        QTest::newRow("doc") << "a.doc" << QByteArray::fromHex("d0cf11e0a1b11ae1")
                             << QByteArray("W\0o\0r\0d\0D\0o\0c", 14);
        QTest::newRow("DOCX") << "b.DOCX" << QByteArray("PK") << QByteArray("word/document.xml");
        QTest::newRow("odt") << "c.odt" << QByteArray("PK")
                             << QByteArray("mimetypeapplication/vnd.oasis.opendocument.text");
    }

    void formatFollowsTheExtension()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, inside);
        const Run run = runParcelon({QStringLiteral("--output"), out(name), QStringLiteral("--sender-name"), name});
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        const QByteArray bytes = ReadFileBytes(out(name));
        QVERIFY(bytes.startsWith(start));
        QVERIFY(bytes.contains(inside));
    }

    void failuresWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("module");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        const QString old = out(QStringLiteral("old.pdf"));
        const QString list = out(QStringLiteral("list.csv"));
        QTest::newRow("format not known")
            << QStringList{"--output", out("x.txt")} << QString() << 2 << "must end in .doc, .docx, .odt or .pdf";
        QTest::newRow("no output") << QStringList{"--recipient-name", "X"} << QString() << 2
                                   << "--output <file> is needed";
        QTest::newRow("stray argument") << QStringList{"--output", old, "extra"} << QString() << 2
                                        << "unexpected argument \"extra\"";
        // Nothing asks for a document: the window is wanted, and there is no display for it.
        for (const QStringList &window : {QStringList(), QStringList{"--help-all"}, QStringList{"orders.csv"}})
            QTest::addRow("no display %s", qPrintable(window.join(' '))) << window << QString() << 2
                                                                         << "no display to open a window on (neither "
                                                                            "DISPLAY nor WAYLAND_DISPLAY is set); "
                                                                            "--output makes labels without one";
        QTest::newRow("unknown option") << QStringList{"--outptu", old} << QString() << 2 << "Unknown option 'outptu'";
        QTest::newRow("output twice") << QStringList{"--output", old, "--output", out("b.pdf")} << QString() << 2
                                      << "--output is given more than once";
        QTest::newRow("start 7") << QStringList{"--output", old, "--start", "7"} << QString() << 2
                                 << "--start takes a label number from 1 to 6, not \"7\"";
        QTest::newRow("copies 0") << QStringList{"--output", old, "--copies", "0"} << QString() << 2
                                  << "--copies takes a count from 1 to";
        QTest::newRow("map not a field") << QStringList{"--csv", list, "--output", old, "--map", "zip=Zip"} << QString()
                                         << 2 << "--map \"zip\" is not a field";
        QTest::newRow("no sender") << QStringList{"--output", old, "--recipient-name", "X"} << QString() << 2
                                   << "no sender address: give one with --sender-name";
        QTest::newRow("folder missing") << QStringList{"--output", out("no/such/x.pdf"), "--sender-name", "S"}
                                        << QString() << 1 << "does not exist";
        QTest::newRow("no office") << QStringList{"--output", old, "--sender-name", "S"} << "/nonexistent/engine.so"
                                   << 1 << "engine";
        QTest::newRow("list missing") << QStringList{"--csv", out("none.csv"), "--output", old} << QString() << 1
                                      << "cannot read";
        QTest::newRow("short row") << QStringList{"--csv", list, "--output", old} << QString() << 1
                                   << "list.csv, line 4: 3 fields, but the header names 4 columns";
        QTest::newRow("spreadsheet with a password")
            << QStringList{"--csv", PARCELON_EXPORTS_DIR "/password-protected.ods", "--output", old} << QString() << 1
            << "password-protected.ods as a spreadsheet (is it protected by a password, or damaged?)";
        QTest::newRow("damaged spreadsheet")
            << QStringList{"--csv", PARCELON_EXPORTS_DIR "/damaged.xlsx", "--output", old} << QString() << 1
            << "damaged.xlsx as a spreadsheet";
    }

    void failuresWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, module);
        QFETCH(int, status);
        QFETCH(QString, reason);
        WriteFileBytes(out(QStringLiteral("old.pdf")), "the user's earlier sheet");
        WriteFileBytes(out(QStringLiteral("list.csv")), shortRowList());
        QProcessEnvironment extra;
        if (!module.isEmpty())
            extra.insert(QStringLiteral("PARCELON_ENGINE_MODULE"), module);

        const Run run = runParcelon(arguments, extra);
        QCOMPARE(run.status, status);
        QVERIFY2(run.errors.startsWith(QLatin1String("parcelon: ")) && run.errors.count(QLatin1Char('\n')) == 1
                     && run.errors.endsWith(QLatin1Char('\n')),
                 qPrintable(run.errors));
        QVERIFY2(run.errors.contains(reason), qPrintable(run.errors));
        QCOMPARE(ReadFileBytes(out(QStringLiteral("old.pdf"))), QByteArray("the user's earlier sheet"));
        QCOMPARE(QDir(outFolder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("list.csv"), QStringLiteral("old.pdf")}));
        // Nor a spreadsheet's text in the temporary folder.
        QCOMPARE(QDir(TestEnvironment::temp())
                     .entryList({QStringLiteral("parcelon-spreadsheet.*")}, QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    // Ctrl+C while the office writes the finished document: the run stops
    // at once, fails, and the user's earlier file is as it was.
    void aSignalDuringTheFinalSaveWritesNothing()
    {
        WriteFileBytes(out(QStringLiteral("old.pdf")), "the user's earlier sheet");
        WriteFileBytes(out(QStringLiteral("list.csv")), numberedList(300));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(PARCELON_BINARY),
                      {QStringLiteral("--csv"), out(QStringLiteral("list.csv")), QStringLiteral("--sender-name"),
                       QStringLiteral("Clerk"), QStringLiteral("--output"), out(QStringLiteral("old.pdf"))});
        QVERIFY(process.waitForStarted());
        // The office saves into a hidden folder of ours beside the output,
        // which exists only while the final save runs.
        const auto saving = [] {
            return !QDir(outFolder()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty();
        };
        // (The state is learnt only through a wait: a run that ended early
        // must not keep this loop spinning.)
        while (!saving() && !process.waitForFinished(1)) {
        }
        QVERIFY2(process.state() == QProcess::Running,
                 qPrintable(QStringLiteral("the run ended before its final save was seen: ")
                            + QString::fromUtf8(process.readAllStandardError())));
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(errors.contains(QStringLiteral("stopped by signal 2")), qPrintable(errors));
        QCOMPARE(ReadFileBytes(out(QStringLiteral("old.pdf"))), QByteArray("the user's earlier sheet"));
        QCOMPARE(QDir(outFolder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("list.csv"), QStringLiteral("old.pdf")}));
    }

    // One list through the office: which label each recipient lands on.
    void shopListLandsOnItsLabels_data()
    {
        QTest::addColumn<QStringList>("placement");
        QTest::addColumn<QList<QList<int>>>("ellery"); // per page, the cells holding Ellery
        QTest::addColumn<QList<QList<int>>>("wilk");
        QTest::addColumn<QString>("made");
        QTest::newRow("a whole sheet each") << QStringList{"--copies", "6"} << QList<QList<int>>{kAllSixLabels, {}}
                                            << QList<QList<int>>{{}, kAllSixLabels} << "12 labels made on 2 sheets";
        QTest::newRow("from label 4, two each")
            << QStringList{"--start", "4", "--copies", "2"} << QList<QList<int>>{{3, 4}, {}}
            << QList<QList<int>>{{5}, {0}} << "4 labels made on 2 sheets";
    }

    void shopListLandsOnItsLabels()
    {
        QFETCH(QStringList, placement);
        QFETCH(QList<QList<int>>, ellery);
        QFETCH(QList<QList<int>>, wilk);
        QFETCH(QString, made);
        WriteFileBytes(out(QStringLiteral("orders.csv")), shopifyExport());
        const Run run = runParcelon(QStringList{QStringLiteral("--csv"), out(QStringLiteral("orders.csv")),
                                                QStringLiteral("--output"), out(QStringLiteral("list.pdf")),
                                                QStringLiteral("--sender-name"), QStringLiteral("Sendername")}
                                    + placement);
        if (run.errors.contains(QLatin1String("needs the sheet builder that fills each label")))
            QSKIP("labels of different addresses on one sheet wait for the sheet builder");
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        // The unused columns, the mended ZIP code and the summary, one line each.
        const QStringList lines = run.errors.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].contains(QLatin1String("columns not used: Email, Lineitem name, Shipping Street")),
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].contains(QLatin1String("leading zero")) && lines[1].contains(QLatin1String("(line 4)")),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].contains(QStringLiteral("orders.csv: 3 rows read, %1, 1 row skipped (a further item of its "
                                                  "order, on the order's label: line 3)")
                                       .arg(made)),
                 qPrintable(lines[2]));

        const QList<PdfPage> pages = ReadPdfPages(out(QStringLiteral("list.pdf")));
        QCOMPARE(pages.size(), 2);
        for (int i = 0; i < pages.size(); ++i) {
            QCOMPARE(sorted(AveryCellsOfWord(pages[i], QStringLiteral("Ellery"))), ellery[i]);
            QCOMPARE(sorted(AveryCellsOfWord(pages[i], QStringLiteral("Wilk"))), wilk[i]);
            QCOMPARE(AveryCellsOfWord(pages[i], QStringLiteral("Sendername")).size(),
                     ellery[i].size() + wilk[i].size()); // no sender on a blank label
            for (const PdfWord &word : pages[i].words)
                QVERIFY2(AveryCellOf(word.box) >= 0, qPrintable(word.text));
        }
        QVERIFY(pages[0].text.contains(QLatin1String("1200 Harbor Loop, Apt 4")));
        QVERIFY(pages[1].text.contains(QLatin1String("Lakeview, ME")));
        QVERIFY(pages[1].text.contains(QLatin1String("04101")));
    }

    // A shop's export through the office: one label per order still to be
    // sent, each line as the carrier wants it, read back label by label.
    void shopExportThroughTheOffice()
    {
        const Run run = runParcelon({QStringLiteral("--csv"),
                                     QStringLiteral(PARCELON_EXPORTS_DIR "/woocommerce-orders.csv"),
                                     QStringLiteral("--output"), out(QStringLiteral("woo.pdf")),
                                     QStringLiteral("--sender-name"), QStringLiteral("Sendername")});
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        QVERIFY2(run.errors.contains(QLatin1String("7 rows read, 4 labels made on 1 sheet, 3 rows skipped")),
                 qPrintable(run.errors));
        const QList<PdfPage> pages = ReadPdfPages(out(QStringLiteral("woo.pdf")));
        QCOMPARE(pages.size(), 1);
        // Each label's text in reading order.
        QStringList labels(6);
        for (const PdfWord &word : pages[0].words) {
            const int cell = AveryCellOf(word.box);
            QVERIFY2(cell >= 0, qPrintable(word.text));
            labels[cell] += (labels[cell].isEmpty() ? QString() : QStringLiteral(" ")) + word.text;
        }
        const QStringList wanted = {"Alma Reyes 41 Pleasant St, Unit 2 Concord, NH 03301",
                                    "Dale Frost Unit 45013 Box 2666 APO, AP 96338",
                                    "Lin Design Tess Lin 500 Pine St, Suite 210 San Francisco, CA 94108-1502",
                                    "Harriet Vane 27 Great Portland St London W1W 8QG UNITED KINGDOM"};
        for (int cell = 0; cell < 6; ++cell) {
            if (cell < wanted.size())
                QVERIFY2(labels[cell].endsWith(wanted[cell]), qPrintable(labels[cell]));
            else
                QCOMPARE(labels[cell], QString());
        }
        // The ZIP+4 on one line: its two halves share a baseline.
        for (const PdfWord &word : pages[0].words)
            QVERIFY2(!word.text.endsWith(QLatin1Char('-')), qPrintable(word.text));
    }

    // A spreadsheet kept by hand, in each format: its first sheet, read
    // through the office, whichever sheet it opens on; numbers as the
    // spreadsheet shows them, read back label by label.
    void spreadsheetThroughTheOffice_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"hand-kept-list.xlsx", "hand-kept-list.xls", "hand-kept-list.ods"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void spreadsheetThroughTheOffice()
    {
        QFETCH(QString, name);
        const Run run = runParcelon({QStringLiteral("--csv"), QStringLiteral(PARCELON_EXPORTS_DIR "/") + name,
                                     QStringLiteral("--output"), out(QStringLiteral("sheet.pdf")),
                                     QStringLiteral("--sender-name"), QStringLiteral("Sendername")});
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        QVERIFY2(run.errors.contains(name + QStringLiteral(": read the first sheet, \"Orders\", of 3\n")),
                 qPrintable(run.errors));
        QVERIFY2(run.errors.contains(QLatin1String("3 rows read, 3 labels made on 1 sheet")), qPrintable(run.errors));
        // Line 2's ZIP code is the number 2134 shown as 02134: taken as shown, not mended.
        QVERIFY2(run.errors.contains(QLatin1String("given back the leading zero a spreadsheet drops (line 4)")),
                 qPrintable(run.errors));
        // Poppler's reading of the PDF, not the office's.
        const QList<PdfPage> pages = ReadPdfPages(out(QStringLiteral("sheet.pdf")));
        QCOMPARE(pages.size(), 1);
        QStringList labels(6);
        for (const PdfWord &word : pages[0].words) {
            const int cell = AveryCellOf(word.box);
            QVERIFY2(cell >= 0, qPrintable(word.text));
            labels[cell] += (labels[cell].isEmpty() ? QString() : QStringLiteral(" ")) + word.text;
        }
        const QStringList wanted = {
            "Harriet Oyelaran 41 Linden St, Apt 3 Boston, MA 02134",
            "Quarry & Kiln Ceramics Devika Ramaswamy 500 Sutter St, Suite \"B\", 2nd floor San Francisco, CA 94108-1502",
            "Tomasz Wilk 12 Elm Rd Concord, NH 03301"};
        for (int cell = 0; cell < 6; ++cell) {
            if (cell < wanted.size())
                QVERIFY2(labels[cell].endsWith(wanted[cell]), qPrintable(labels[cell]));
            else
                QCOMPARE(labels[cell], QString());
        }
        QVERIFY2(!pages[0].text.contains(QLatin1String("Ines Duarte")), "a later sheet was read");
        QCOMPARE(QDir(TestEnvironment::temp())
                     .entryList({QStringLiteral("parcelon-spreadsheet.*")}, QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    // A run killed while the office saves leaves its hidden file and the
    // office's beside the output and its working folder; the next run
    // writing the same output removes them all.
    void aKilledRunLeavesNothingToTheNext()
    {
        const QString list = TestEnvironment::root() + QStringLiteral("/killed.csv");
        WriteFileBytes(list, numberedList(60));
        const QStringList arguments = {QStringLiteral("--csv"),         list,
                                       QStringLiteral("--sender-name"), QStringLiteral("Clerk"),
                                       QStringLiteral("--output"),      out(QStringLiteral("labels.pdf"))};
        const auto leftInOutput = [] {
            return QDir(outFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        const auto leftInTemp = [] {
            return QDir(TestEnvironment::temp())
                .entryList({QStringLiteral("*parcelon-*")}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        QProcess killed;
        startParcelon(killed, arguments);
        // The office saving: a folder of ours holds the file it is writing.
        // Looked for often, as the save is short.
        QElapsedTimer waited;
        waited.start();
        while (QDir(outFolder()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty()
               && killed.state() != QProcess::NotRunning && waited.elapsed() < 240000)
            killed.waitForFinished(1);
        QCOMPARE(killed.state(), QProcess::Running);
        killed.kill(); // SIGKILL: no handler runs
        QVERIFY(killed.waitForFinished());
        QCOMPARE(leftInOutput().size(), 2);
        QCOMPARE(leftInTemp().size(), 1);

        const Run run = runParcelon(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        QCOMPARE(leftInOutput(), QStringList{QStringLiteral("labels.pdf")});
        QCOMPARE(leftInTemp(), QStringList());
    }
};

PARCELON_TEST_MAIN(tst_BatchRun)
#include "tst_batchrun.moc"
