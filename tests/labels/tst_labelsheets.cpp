// Label sheets put together in one pass, through the real office: the pages
// are those of sheets filled one by one in the office, every label shows its
// own address, and no label is printed cut.

#include "labels/LabelFit.h"
#include "labels/LabelGeneration.h"
#include "labels/LabelPlan.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"
#include "resources/Resources.h"
#include "tests/labels/EngineTestKit.h"
#include "tests/support/PdfPages.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>

#include <poppler-qt6.h>

namespace {

QString temp(const QString &name)
{
    return TestEnvironment::temp() + QLatin1Char('/') + name;
}

void runDirectly(int, const std::function<void()> &action)
{
    action();
}

QStringList address(int n)
{
    return {QStringLiteral("Sender%1Co").arg(n),
            QStringLiteral("Sender%1Name").arg(n),
            QStringLiteral("Elm Street %1").arg(n),
            QStringLiteral("Elmsworth"),
            QStringLiteral("NH"),
            QStringLiteral("03100"),
            QStringLiteral("Mottram%1Co").arg(n),
            QStringLiteral("Mottram%1Name").arg(n),
            QStringLiteral("Mill Lane %1").arg(n * 11),
            QStringLiteral("Lakeview"),
            QStringLiteral("WI"),
            QStringLiteral("53703")};
}

// The real engine without its helper offices: every list on one office.
class OneOffice : public EngineFactory
{
public:
    explicit OneOffice(EngineFactory &engines)
        : m_engines(engines)
    {
    }
    std::unique_ptr<WordApplication> createApplication() override { return m_engines.createApplication(); }

private:
    EngineFactory &m_engines;
};

} // namespace

class tst_LabelSheets : public QObject
{
    Q_OBJECT

    ScriptedClipboard clipboard;
    std::unique_ptr<ModuleEngineFactory> engines;

private slots:
    void initTestCase()
    {
        // Qt Test's crash handler has replaced the program's ignored SIGPIPE:
        // the bridge's last word to a helper office that has just quit would
        // end the test.
        ::signal(SIGPIPE, SIG_IGN);
        engines = std::make_unique<ModuleEngineFactory>(clipboard);
    }

    // Whole sheets look exactly as the office fills the template one sheet at
    // a time (the window's way), texts that XML would change included. The
    // office's filling keeps the first character of a bookmarked line apart
    // from the second (no kerning between them): leading blanks and "11"
    // show that on the first sheet, which alone has bookmarks; later sheets'
    // lines start with pairs that are never kerned. The
    // Word document keeps one table per sheet, each on its own page, and the
    // template's bookmarks on the first.
    void sheetsAreTheOfficeFilledSheets()
    {
        QList<QStringList> sheets = {address(1), address(2), address(3)};
        sheets[0][6] = QStringLiteral("  Café Zoë & <Söhne>   \"GmbH\"  ");
        sheets[0][8] = QStringLiteral("11 Orchard Row");
        sheets[1][7] = QStringLiteral("Nine\ttabs, two  spaces, line\nbreak");
        sheets[1][0] = QStringLiteral("Bell\x07 and 😀 and O'Hara");
        sheets[2][8] = QStringLiteral("Mill\rgraph");
        // Blank fields leave no line and no separator, in both ways alike.
        sheets[2][0].clear();
        sheets[2][10].clear();
        const QString pdf = temp(QStringLiteral("sheets.pdf"));
        const QString doc = temp(QStringLiteral("sheets.doc"));
        MakeLabelSheets(*engines, sheets, pdf);
        MakeLabelSheets(*engines, sheets, doc);

        const QString templatePath = temp(QStringLiteral("template.dot"));
        WriteFileBytes(templatePath, TemplateBytes());
        const QString docAsPdf = temp(QStringLiteral("doc.pdf"));
        const QString flat = temp(QStringLiteral("doc.fodt"));
        {
            std::unique_ptr<WordApplication> app = engines->createApplication();
            for (int sheet = 0; sheet < sheets.size(); ++sheet) {
                WordDocument *one = app->open(templatePath, true);
                ReplacePlaceholders(
                    app.get(), [&](int k) { return PlaceholderValue(sheets[sheet], k); }, runDirectly);
                one->saveAsFormat(temp(QStringLiteral("one%1.pdf").arg(sheet)), DocumentFormat::Pdf);
                one->close();
            }
            WordDocument *saved = app->open(doc, true);
            saved->saveAsFormat(docAsPdf, DocumentFormat::Pdf);
            saved->saveAsFlatXml(flat);
            saved->close();
            app->quit();
        }
        for (int sheet = 0; sheet < sheets.size(); ++sheet) {
            const QImage filled = RenderPdfPage(temp(QStringLiteral("one%1.pdf").arg(sheet)), 0, 50);
            QVERIFY(!filled.isNull());
            QVERIFY2(RenderPdfPage(pdf, sheet, 50) == filled, qPrintable(QStringLiteral("page %1").arg(sheet + 1)));
            QVERIFY2(RenderPdfPage(docAsPdf, sheet, 50) == filled,
                     qPrintable(QStringLiteral(".doc page %1").arg(sheet + 1)));
        }
        QCOMPARE(ReadPdfPages(pdf).size(), 3);
        QCOMPARE(ReadPdfPages(docAsPdf).size(), 3);

        const QString xml = QString::fromUtf8(ReadFileBytes(flat));
        const QStringList tables = xml.split(QStringLiteral("<table:table "));
        QCOMPARE(tables.size(), 1 + 3);
        QCOMPARE(tables[1].count(QStringLiteral("<text:bookmark-start ")), 36);
        QCOMPARE(tables[2].count(QStringLiteral("<text:bookmark-start ")), 0);
        QCOMPARE(tables[3].count(QStringLiteral("<text:bookmark-start ")), 0);
    }

    // One address per label from the second label on; the labels before and
    // after the list are blank, without a sender.
    void everyLabelShowsItsOwnAddress()
    {
        QList<QStringList> addresses;
        for (int n = 1; n <= 8; ++n)
            addresses << address(n);
        addresses[4] << QStringLiteral("CANADA"); // abroad: a line of its own under the city line
        const QList<SheetLabels> sheets = PlanSheets(addresses, {2, 1});
        QCOMPARE(sheets.size(), 2);
        const QString pdf = temp(QStringLiteral("list.pdf"));
        MakeLabelSheets(*engines, sheets, pdf);

        const QList<PdfPage> pages = ReadPdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        for (int n = 1; n <= 8; ++n) {
            const LabelPosition at = PositionOfLabel(n - 1, {2, 1});
            for (const QString &word : {QStringLiteral("Sender%1Co").arg(n), QStringLiteral("Mottram%1Name").arg(n)})
                QCOMPARE(AveryCellsOfWord(pages[at.sheet - 1], word), QList<int>{at.label - 1});
        }
        for (const auto &[page, cell] : {std::pair{0, 0}, std::pair{1, 3}, std::pair{1, 4}, std::pair{1, 5}}) {
            for (const PdfWord &word : pages[page].words)
                QVERIFY2(AveryCellOf(word.box) != cell, qPrintable(word.text));
        }

        const auto lineOf = [&](const QString &word) {
            for (const PdfWord &w : pages[0].words) {
                if (w.text == word && AveryCellOf(w.box) == 5)
                    return w.box.top();
            }
            return -1.0;
        };
        QCOMPARE(AveryCellsOfWord(pages[0], QStringLiteral("CANADA")), QList<int>{5});
        QVERIFY(lineOf(QStringLiteral("CANADA")) > lineOf(QStringLiteral("Lakeview,")) + 10);
        QVERIFY(lineOf(QStringLiteral("Lakeview,")) > lineOf(QStringLiteral("Mill")) + 10);

        // A stop asked for after the office's work still writes nothing.
        const QString stopped = temp(QStringLiteral("stopped.pdf"));
        qsizetype calls = 0;
        QVERIFY_THROWS_EXCEPTION(Failure, MakeLabelSheets(*engines, sheets, stopped, [&](int) {
                                     if (++calls > sheets.size())
                                         throw Failure(QStringLiteral("stopped"));
                                 }));
        QCOMPARE(calls, sheets.size() + 1);
        QVERIFY(!QFileInfo::exists(stopped));
    }

    // A label too long for 15 pt type is set smaller until it fits, and only
    // that label; one that does not fit even at 7 pt stops the run.
    void longAddressesAreShrunkOrRefused()
    {
        QList<SheetLabels> sheets(2, SheetLabels(6));
        for (int label = 0; label < 6; ++label) {
            sheets[0][label] = address(label + 1);
            sheets[1][label] = address(label + 7);
        }
        QStringList &tooLong = sheets[1][2];
        tooLong[6] = QStringLiteral("Northwestern Regional Distribution and Fulfillment Cooperative of Greater "
                                    "Wisconsin Incorporated");
        tooLong[8] = QStringLiteral("12345 North Industrial Parkway Boulevard, Building C, Suite 1200, Dock 7");
        const QString pdf = temp(QStringLiteral("long.pdf"));
        MakeLabelSheets(*engines, sheets, pdf);
        const QByteArray bytes = ReadFileBytes(pdf);
        QVERIFY(FindCutLabels(bytes, sheets).isEmpty());
        const QList<PdfPage> pages = ReadPdfPages(pdf);
        auto heightOf = [&](const QString &word) {
            for (const PdfWord &w : pages[1].words) {
                if (w.text == word)
                    return w.box.height();
            }
            return 0.0;
        };
        const double shrunk = heightOf(QStringLiteral("Wisconsin"));
        const double normal = heightOf(QStringLiteral("Mottram8Co"));
        QVERIFY2(shrunk > 0 && shrunk < normal * 0.95, qPrintable(QStringLiteral("%1 %2").arg(shrunk).arg(normal)));
        QCOMPARE(heightOf(QStringLiteral("Mottram10Co")), normal);
        QCOMPARE(AveryCellsOfWord(pages[1], QStringLiteral("Wisconsin")), QList<int>{2});

        // Far too long: refused, naming the label and the field, nothing written.
        tooLong[8] = QString(QStringLiteral("Suite 1200, ")).repeated(200);
        try {
            MakeLabelSheets(*engines, sheets, pdf);
            QFAIL("a label cut at 7 pt was printed");
        } catch (const LabelsCutOff &cut) {
            QCOMPARE(cut.labels().size(), 1);
            QCOMPARE(cut.labels().first().sheet, 2);
            QCOMPARE(cut.labels().first().label, 3);
            QCOMPARE(cut.labels().first().field, 9);
            QVERIFY2(cut.description().contains(QLatin1String("recipient's street address")),
                     qPrintable(cut.description()));
        }
        QCOMPARE(ReadFileBytes(pdf), bytes);
    }

    // A long list is laid out by two offices at once: the pages are those
    // one office makes, in order, a label set smaller in the second office's
    // part included; every font subset of the joined PDF has a name of its
    // own; and the second office is gone with the job. A Word file of as
    // many different labels has them checked by the second office while the
    // first stores it: the same label comes out smaller.
    void aLongListIsMadeByTwoOffices()
    {
        QList<QStringList> addresses;
        for (int n = 1; n <= 900; ++n)
            addresses << address(n);
        addresses[850][6] = QStringLiteral("Northwestern Regional Distribution and Fulfillment Cooperative of "
                                           "Greater Wisconsin Incorporated");
        addresses[850][8] = QStringLiteral("12345 North Industrial Parkway Boulevard, Building C, Suite 1200, Dock 7");
        const QList<SheetLabels> sheets = PlanSheets(addresses, {1, 1});
        const QString together = temp(QStringLiteral("two offices.pdf"));
        const QString alone = temp(QStringLiteral("one office.pdf"));
        const QString doc = temp(QStringLiteral("two offices.doc"));
        const QString docAsPdf = temp(QStringLiteral("two offices doc.pdf"));
        MakeLabelSheets(*engines, sheets, together);
        MakeLabelSheets(*engines, sheets, doc);
        QTRY_COMPARE(EngineTestKit::ourOfficeProcesses().size(), 1);
        OneOffice oneOffice(*engines);
        MakeLabelSheets(oneOffice, sheets, alone);
        ConvertDocument(oneOffice, doc, docAsPdf, DocumentFormat::Pdf);

        const QList<PdfPage> pages = ReadPdfPages(together);
        QCOMPARE(pages.size(), 150);
        QCOMPARE(ReadPdfPages(alone).size(), 150);
        QCOMPARE(ReadPdfPages(docAsPdf).size(), 150);
        for (int page = 0; page < 150; ++page) {
            const QByteArray where = QStringLiteral("page %1").arg(page + 1).toUtf8();
            QVERIFY2(pages[page].text.contains(QStringLiteral("Mottram%1Name").arg(page * 6 + 1)), where);
            const QImage one = RenderPdfPage(alone, page, 20);
            QVERIFY2(RenderPdfPage(together, page, 20) == one, where);
            QVERIFY2(RenderPdfPage(docAsPdf, page, 20) == one, where);
        }
        QVERIFY(FindCutLabels(ReadFileBytes(together), sheets).isEmpty());

        const std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(together);
        QVERIFY(pdf);
        QStringList names;
        for (const Poppler::FontInfo &font : pdf->fonts())
            names << font.name();
        QVERIFY2(names.size() >= 4, qPrintable(names.join(QLatin1Char(' '))));
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    }

    void cleanupTestCase() { engines.reset(); }
};

PARCELON_TEST_MAIN(tst_LabelSheets)
#include "tst_labelsheets.moc"
