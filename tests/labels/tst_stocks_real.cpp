// Every label stock through the real office to PDF: the page is the stock's
// paper and each label's words lie inside that label's published rectangle.

#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"
#include "tests/labels/PublishedStocks.h"
#include "tests/support/PdfPages.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

namespace {

// Label n's address: words found nowhere else on the sheet.
QStringList address(int n)
{
    return {QStringLiteral("S%1Co").arg(n),
            QStringLiteral("S%1Name").arg(n),
            QStringLiteral("S%1Street").arg(n),
            QStringLiteral("Elmsworth"),
            QStringLiteral("NH"),
            QStringLiteral("03100"),
            QStringLiteral("R%1Co").arg(n),
            QStringLiteral("R%1Name").arg(n),
            QStringLiteral("R%1Street").arg(n),
            QStringLiteral("Lakeview%1").arg(n),
            QStringLiteral("WI"),
            QStringLiteral("53703")};
}

} // namespace

class tst_StocksReal : public QObject
{
    Q_OBJECT

    ScriptedClipboard clipboard;
    std::unique_ptr<ModuleEngineFactory> engines;

private slots:
    void initTestCase() { engines = std::make_unique<ModuleEngineFactory>(clipboard); }

    void wordsLieOnThePublishedLabels_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(kPublishedStocks.size()); ++i)
            QTest::newRow(kPublishedStocks[size_t(i)].name) << i;
    }
    void wordsLieOnThePublishedLabels()
    {
        QFETCH(int, index);
        const PublishedStock &published = kPublishedStocks[size_t(index)];
        const LabelStock *stock = FindStock(QString::fromLatin1(published.name));
        QVERIFY(stock);
        // A sheet and one label more, so that the second page starts with label 1.
        QList<QStringList> addresses;
        for (int n = 1; n <= published.labels() + 1; ++n)
            addresses << address(n);
        const QString pdf = TestEnvironment::temp() + QStringLiteral("/%1.pdf").arg(stock->name);
        MakeLabelSheets(*engines, PlanSheets(addresses, {1, 1, stock->labels()}), pdf, {}, *stock);

        const QList<PdfPage> pages = ReadPdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        for (int n = 1; n <= published.labels() + 1; ++n) {
            const PdfPage &page = pages[n <= published.labels() ? 0 : 1];
            QVERIFY(std::abs(page.size.width() - published.paper().width()) < 1);
            QVERIFY(std::abs(page.size.height() - published.paper().height()) < 1);
            const QRectF label = published.label(n <= published.labels() ? n : 1);
            // The label's own words: all but the city lines' shared ones.
            QStringList own = address(n);
            for (const char *shared : {"Elmsworth", "NH", "03100", "WI", "53703"})
                own.removeAll(QLatin1String(shared));
            int found = 0;
            for (const PdfWord &word : page.words) {
                QString text = word.text;
                if (text.endsWith(QLatin1Char(',')))
                    text.chop(1);
                if (!own.contains(text))
                    continue;
                QVERIFY2(label.contains(word.box),
                         qPrintable(QStringLiteral("%1 at %2,%3 outside label %4")
                                        .arg(text)
                                        .arg(word.box.left())
                                        .arg(word.box.top())
                                        .arg(n)));
                ++found;
            }
            QCOMPARE(found, 7); // three sender lines, three recipient lines, the city
        }
    }
};

PARCELON_TEST_MAIN(tst_StocksReal)
#include "tst_stocks_real.moc"
