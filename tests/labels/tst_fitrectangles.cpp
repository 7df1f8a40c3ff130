// The fit check's picture of the sheet, on a hand-made PDF whose lines stand
// where the test puts them: which label a line belongs to, and where in it
// the office would show it cut (the label's lower edge, less the cell's
// bottom padding, where the office clips an overfull cell).

#include "labels/LabelFit.h"
#include "labels/LabelGeneration.h"
#include "tests/support/PdfPages.h"
#include "tests/support/TestMain.h"

namespace {

const QStringList kAddress = {
    QStringLiteral("Quillmark"),
    QStringLiteral("Dana Whitcombe"),
    QStringLiteral("123 Elm Street"),
    QStringLiteral("Elmsworth"),
    QStringLiteral("NH"),
    QStringLiteral("03100"),
    QStringLiteral("Harbor Freight"),
    QStringLiteral("Tomasz Wilk"),
    QStringLiteral("12 Main Street"),
    QStringLiteral("Madison"),
    QStringLiteral("WI"),
    QStringLiteral("53703"),
};

// The label's eight lines in 10 pt, 12 pt apart, the last one's baseline
// `lastBaseline` points below the label's top. Labels are 288 x 240 pt, two
// columns 301.5 pt apart from 11.25 pt, rows from 36 pt.
HandPage labelPage(int label, double lastBaseline)
{
    const double left = 11.25 + ((label - 1) % 2) * 301.5 + 12;
    const double top = 36 + ((label - 1) / 2) * 240.0;
    HandPage page;
    for (int block = 1; block <= 8; ++block)
        page.words.append(
            {PlaceholderValue(kAddress, block), QPointF(left, top + lastBaseline - (8 - block) * 12), 10});
    return page;
}

} // namespace

class tst_FitRectangles : public QObject
{
    Q_OBJECT

private slots:
    void findsTheLinesTheOfficeWouldCut_data()
    {
        QTest::addColumn<int>("label");
        QTest::addColumn<double>("lastBaseline");
        QTest::addColumn<bool>("cut");
        // 10 pt text reaches about 2-3.5 pt below its baseline and 7-9.5 pt above it.
        QTest::newRow("label 1, well inside") << 1 << 200.0 << false;
        QTest::newRow("label 1, last line in the bottom padding") << 1 << 234.0 << true;
        QTest::newRow("label 1, last line across the lower edge") << 1 << 243.0 << true;
        QTest::newRow("label 2 (right column), well inside") << 2 << 200.0 << false;
        QTest::newRow("label 4 (right column, middle row), well inside") << 4 << 200.0 << false;
        QTest::newRow("label 5 (left column, bottom row), well inside") << 5 << 200.0 << false;
        QTest::newRow("label 6, last line in the bottom padding") << 6 << 234.0 << true;
    }

    void findsTheLinesTheOfficeWouldCut()
    {
        QFETCH(int, label);
        QFETCH(double, lastBaseline);
        QFETCH(bool, cut);
        SheetLabels sheet(6);
        sheet[label - 1] = kAddress;
        const QList<CutLabel> found = FindCutLabels(HandMadePdf({labelPage(label, lastBaseline)}), {sheet});
        QStringList said;
        for (const CutLabel &c : found)
            said << QStringLiteral("sheet %1 label %2").arg(c.sheet).arg(c.label);
        const QString expected = cut ? QStringLiteral("sheet 1 label %1").arg(label) : QString();
        QVERIFY2(said.join(QStringLiteral(", ")) == expected,
                 qPrintable(
                     QStringLiteral("found cut: [%1], expected: [%2]").arg(said.join(QStringLiteral(", ")), expected)));
    }
};

PARCELON_TEST_MAIN(tst_FitRectangles)
#include "tst_fitrectangles.moc"
