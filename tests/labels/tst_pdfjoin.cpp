// Two PDFs joined into one, as a long list's two offices write them: the
// pages in order, and the second part's font subsets renamed apart from
// the first's (both offices count their tags from the same start).

#include "core/Failure.h"
#include "labels/PdfJoin.h"
#include "tests/support/PdfPages.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <poppler-qt6.h>

#include <QSet>

namespace {

QString written(const QString &name, const QList<HandPage> &pages)
{
    const QString path = TestEnvironment::temp() + QLatin1Char('/') + name;
    WriteFileBytes(path, HandMadePdf(pages));
    return path;
}

HandPage pageSaying(const QString &text, const QByteArray &font)
{
    return {{{text, QPointF(72, 100)}}, font};
}

} // namespace

class tst_PdfJoin : public QObject
{
    Q_OBJECT

private slots:
    void joinsThePagesInOrderWithFontsOfTheirOwn()
    {
        const QString first = written(QStringLiteral("part1.pdf"),
                                      {pageSaying(QStringLiteral("Sheet1"), "AAAAAA+Helvetica"),
                                       pageSaying(QStringLiteral("Sheet2"), "BAAAAA+Courier")});
        const QString second = written(QStringLiteral("part2.pdf"),
                                       {pageSaying(QStringLiteral("Sheet3"), "AAAAAA+Helvetica"),
                                        pageSaying(QStringLiteral("Sheet4"), "Times-Roman")});
        const QString joined = TestEnvironment::temp() + QStringLiteral("/joined.pdf");
        JoinPdfs({first, second}, joined);

        QStringList order;
        for (const PdfPage &page : ReadPdfPages(joined))
            order << page.text;
        QCOMPARE(order.join(QLatin1Char(' ')), QStringLiteral("Sheet1 Sheet2 Sheet3 Sheet4"));

        std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(joined);
        QVERIFY(pdf);
        QStringList names;
        for (const Poppler::FontInfo &font : pdf->fonts())
            names << font.name();
        names.sort();
        QCOMPARE(names.size(), 4);
        // The first part's names stay; an untagged font keeps its name.
        QVERIFY2(names.contains(QStringLiteral("AAAAAA+Helvetica")), qPrintable(names.join(u' ')));
        QVERIFY2(names.contains(QStringLiteral("BAAAAA+Courier")), qPrintable(names.join(u' ')));
        QVERIFY2(names.contains(QStringLiteral("Times-Roman")), qPrintable(names.join(u' ')));
        const QStringList renamed = names.filter(QRegularExpression(QStringLiteral("^[A-Z]{6}\\+Helvetica$")));
        QVERIFY2(renamed.size() == 2,
                 qPrintable(QStringLiteral("the second part's subset kept its tag: ") + names.join(u' ')));
        QSet<QString> tags;
        for (const QString &name : names)
            tags << name.left(7);
        QVERIFY2(tags.size() == names.size(),
                 qPrintable(QStringLiteral("two subsets share a tag: ") + names.join(u' ')));
    }

    void refusesWhatIsNoPdf()
    {
        const QString notPdf = TestEnvironment::temp() + QStringLiteral("/not.pdf");
        WriteFileBytes(notPdf, "no PDF at all");
        const QString target = TestEnvironment::temp() + QStringLiteral("/out.pdf");
        QVERIFY_THROWS_EXCEPTION(Failure, JoinPdfs({notPdf}, target));
        QVERIFY_THROWS_EXCEPTION(Failure, JoinPdfs({}, target));
    }
};

PARCELON_TEST_MAIN(tst_PdfJoin)
#include "tst_pdfjoin.moc"
