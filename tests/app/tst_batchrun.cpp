// The command line as a user runs it: the real program, no display, the
// real office; the PDF's pages are measured against the Avery 5164 grid.

#include "core/SettingsStore.h"
#include "tests/support/PdfPages.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

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
Run runParcelon(const QStringList &arguments, const QProcessEnvironment &extra = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    for (const QString &key : extra.keys())
        env.insert(key, extra.value(key));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PARCELON_BINARY), arguments);
    if (!process.waitForFinished(240000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

QList<int> sorted(QList<int> cells)
{
    std::sort(cells.begin(), cells.end());
    return cells;
}

const QList<int> kAllSixLabels = {0, 1, 2, 3, 4, 5};

QByteArray hostileList(int rows, int shortRowAfter = 0)
{
    // Columns in a shop's order, with one sender column.
    QByteArray csv =
        "\xEF\xBB\xBFrecipient_name,sender_name,recipient_company,recipient_street,recipient_city,recipient_state,recipient_zip\r\n";
    for (int i = 1; i <= rows; ++i) {
        const QString company = i == 50 ? QString(400, QLatin1Char('W'))
                                        : QStringLiteral("\"Acme \"\"%1\"\", Inc.\"").arg(i);
        csv += QStringLiteral("R%1,Clerk%1,%2,\"%1 Main St\r\nSuite %1\",Zürich,ZH,%3\r\n")
                   .arg(i, 3, 10, QLatin1Char('0'))
                   .arg(company)
                   .arg(i, 5, 10, QLatin1Char('0'))
                   .toUtf8();
        if (i == 20)
            csv += "\r\n"; // a blank row makes no sheet
        if (i == shortRowAfter)
            csv += "Rshort,Clerk,Acme,street,city\r\n";
    }
    return csv;
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
        const Run run = runParcelon({QStringLiteral("--output"), out(name)});
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
        QTest::newRow("format not known")
            << QStringList{"--output", out("x.txt")} << QString() << 2 << "must end in .doc, .docx, .odt or .pdf";
        QTest::newRow("no output") << QStringList{"--recipient-name", "X"} << QString() << 2
                                   << "--output <file> is needed";
        QTest::newRow("stray argument") << QStringList{"--output", old, "extra"} << QString() << 2
                                        << "unexpected argument \"extra\"";
        QTest::newRow("folder missing") << QStringList{"--output", out("no/such/x.pdf")} << QString() << 1
                                        << "does not exist";
        QTest::newRow("no office") << QStringList{"--output", old} << "/nonexistent/engine.so" << 1 << "engine";
        QTest::newRow("list missing") << QStringList{"--csv", out("none.csv"), "--output", old} << QString() << 1
                                      << "cannot read";
        QTest::newRow("short row") << QStringList{"--csv", out("list.csv"), "--output", old} << QString() << 1
                                   << "list.csv, line 6: 5 fields";
    }

    void failuresWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, module);
        QFETCH(int, status);
        QFETCH(QString, reason);
        WriteFileBytes(out(QStringLiteral("old.pdf")), "the user's earlier sheet");
        WriteFileBytes(out(QStringLiteral("list.csv")), hostileList(2, 2));
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
    }

    // 100 addresses with quotes, commas, line breaks, accents, a 400
    // character field and a blank row: one Letter page per address, in
    // order, each with its six labels on the grid.
    void hundredHostileRows()
    {
        WriteFileBytes(out(QStringLiteral("list.csv")), hostileList(100));
        const Run run = runParcelon({QStringLiteral("--csv"), out(QStringLiteral("list.csv")),
                                     QStringLiteral("--output"), out(QStringLiteral("list.pdf"))});
        QVERIFY2(run.status == 0, qPrintable(run.errors));

        const QList<PdfPage> pages = ReadPdfPages(out(QStringLiteral("list.pdf")));
        QCOMPARE(pages.size(), 100);
        for (int i = 0; i < pages.size(); ++i) {
            const PdfPage &page = pages[i];
            const QString name = QStringLiteral("R%1").arg(i + 1, 3, 10, QLatin1Char('0'));
            QCOMPARE(page.size.toSize(), QSize(612, 792));
            QVERIFY2(sorted(AveryCellsOfWord(page, QStringLiteral("Clerk") + name.mid(1))) == kAllSixLabels,
                     qPrintable(name));
            for (const PdfWord &word : page.words)
                QVERIFY2(AveryCellOf(word.box) >= 0, qPrintable(name + QStringLiteral(": ") + word.text));
            QVERIFY2(sorted(AveryCellsOfWord(page, name)) == kAllSixLabels, qPrintable(name));
            QVERIFY2(page.text.contains(QStringLiteral("Suite %1 Zürich, ZH").arg(name.mid(1))), qPrintable(page.text));
            if (i + 1 != 50) // its 400-letter company is set smaller to fit
                QVERIFY2(page.text.contains(QStringLiteral("Acme \"%1\", Inc.").arg(i + 1)), qPrintable(page.text));
        }
    }
};

PARCELON_TEST_MAIN(tst_BatchRun)
#include "tst_batchrun.moc"
