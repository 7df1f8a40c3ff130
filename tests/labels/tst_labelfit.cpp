// The fit check reads the office's own layout: a PDF of real sheets.

#include "labels/LabelFit.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QFile>

namespace {

QStringList address(const QString &company, const QString &street)
{
    return {QStringLiteral("Quillmark"),
            QStringLiteral("Dana Whitcombe"),
            QStringLiteral("123 Elm Street"),
            QStringLiteral("Elmsworth"),
            QStringLiteral("NH"),
            QStringLiteral("03100"),
            company,
            QStringLiteral("Alexandra Montgomery-Whitcombe"),
            street,
            QStringLiteral("Fond du Lac"),
            QStringLiteral("WI"),
            QStringLiteral("54935-1234")};
}

SheetLabels sixOf(const QStringList &fields)
{
    SheetLabels labels;
    labels.fill(fields);
    return labels;
}

} // namespace

class tst_LabelFit : public QObject
{
    Q_OBJECT

private slots:
    void textSizesStepDownToSevenPoints()
    {
        QCOMPARE(LabelTextSizeAt(0).recipientPoints, 15.0);
        QCOMPARE(LabelTextSizeAt(0).senderPoints, 9.0);
        QCOMPARE(LabelTextSizeAt(kLabelTextSteps - 1).recipientPoints, 7.0);
        QCOMPARE(LabelTextSizeAt(kLabelTextSteps - 1).senderPoints, 7.0);
        for (int step = 1; step < kLabelTextSteps; ++step) {
            QVERIFY(LabelTextSizeAt(step).recipientPoints < LabelTextSizeAt(step - 1).recipientPoints);
            QVERIFY(LabelTextSizeAt(step).senderPoints <= LabelTextSizeAt(step).recipientPoints);
        }
    }

    // Sheet 1 fits; on sheet 2 the company takes four lines and the street
    // is cut below the label's edge, on all six labels.
    void findsTheLabelsCutAtTheirEdge()
    {
        const QStringList fits = address(QStringLiteral("Harbor Freight"), QStringLiteral("12 Main Street"));
        const QStringList tooLong = address(
            QStringLiteral("Northwestern Regional Distribution and Fulfillment Cooperative of Greater Wisconsin "
                           "Incorporated"),
            QStringLiteral("12345 North Industrial Parkway Boulevard, Building C, Suite 1200, Loading Dock 7"));
        ScriptedClipboard clipboard;
        ModuleEngineFactory engines(clipboard);
        const QString pdf = TestEnvironment::temp() + QStringLiteral("/sheets.pdf");
        MakeLabelSheets(engines, {fits, tooLong}, pdf);
        const QByteArray bytes = ReadFileBytes(pdf);

        const QList<CutLabel> cut = FindCutLabels(bytes, {sixOf(fits), sixOf(tooLong)});
        QCOMPARE(cut.size(), 6);
        for (int label = 1; label <= 6; ++label) {
            QCOMPARE(cut[label - 1].sheet, 2);
            QCOMPARE(cut[label - 1].label, label);
            QCOMPARE(cut[label - 1].field, 7);
        }
        // Blank labels are not checked; a PDF with fewer pages than sheets is refused.
        QVERIFY(FindCutLabels(bytes, {sixOf(fits), SheetLabels{}}).isEmpty());
        QVERIFY_THROWS_EXCEPTION(Failure, FindCutLabels(bytes, {sixOf(fits), sixOf(fits), sixOf(fits)}));
        QVERIFY_THROWS_EXCEPTION(Failure, FindCutLabels("not a PDF", {sixOf(fits)}));
    }
};

PARCELON_TEST_MAIN(tst_LabelFit)
#include "tst_labelfit.moc"
