// The fit check reads the office's own layout: a PDF of real sheets.

#include "labels/LabelFit.h"
#include "labels/LabelGeneration.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/WordApplication.h"
#include "resources/Resources.h"
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
    return SheetLabels(DefaultStock().labels(), fields);
}

} // namespace

class tst_LabelFit : public QObject
{
    Q_OBJECT

private slots:
    void textSizesStepDownToSevenPoints()
    {
        QCOMPARE(LabelTextSizeAt(DefaultStock(), 0).recipientPoints, 15.0);
        QCOMPARE(LabelTextSizeAt(DefaultStock(), 0).senderPoints, 9.0);
        QCOMPARE(LabelTextSizeAt(DefaultStock(), kLabelTextSteps - 1).recipientPoints, 7.0);
        QCOMPARE(LabelTextSizeAt(DefaultStock(), kLabelTextSteps - 1).senderPoints, 7.0);
        for (int step = 1; step < kLabelTextSteps; ++step) {
            QVERIFY(LabelTextSizeAt(DefaultStock(), step).recipientPoints
                    < LabelTextSizeAt(DefaultStock(), step - 1).recipientPoints);
            QVERIFY(LabelTextSizeAt(DefaultStock(), step).senderPoints
                    <= LabelTextSizeAt(DefaultStock(), step).recipientPoints);
        }
    }

    // Filled as the window fills its sheet: the short address fits, the long
    // one's company takes four lines and its street is cut at the label's
    // lower edge, on all six labels.
    void findsTheLabelsCutAtTheirEdge()
    {
        const QStringList fits = address(QStringLiteral("Harbor Freight"), QStringLiteral("12 Main Street"));
        const QStringList tooLong = address(
            QStringLiteral("Northwestern Regional Distribution and Fulfillment Cooperative of Greater Wisconsin "
                           "Incorporated"),
            QStringLiteral("12345 North Industrial Parkway Boulevard, Building C, Suite 1200, Loading Dock 7"));
        ScriptedClipboard clipboard;
        ModuleEngineFactory engines(clipboard);
        const QString templatePath = TestEnvironment::temp() + QStringLiteral("/template.dot");
        WriteFileBytes(templatePath, TemplateBytes());
        auto filled = [&](const QStringList &fields) {
            std::unique_ptr<WordApplication> app = engines.createApplication();
            WordDocument *sheet = app->open(templatePath, true);
            ReplacePlaceholders(
                app.get(), [&](int k) { return PlaceholderValue(fields, k); },
                [](int, const std::function<void()> &action) { action(); });
            const QString pdf = TestEnvironment::temp() + QStringLiteral("/sheet.pdf");
            sheet->saveAsFormat(pdf, DocumentFormat::Pdf);
            app->quit();
            return ReadFileBytes(pdf);
        };

        QVERIFY(FindCutLabels(filled(fits), {sixOf(fits)}).isEmpty());
        const QByteArray cutPdf = filled(tooLong);
        const QList<CutLabel> cut = FindCutLabels(cutPdf, {sixOf(tooLong)});
        QCOMPARE(cut.size(), 6);
        for (int label = 1; label <= 6; ++label) {
            QCOMPARE(cut[label - 1].sheet, 1);
            QCOMPARE(cut[label - 1].label, label);
            QCOMPARE(cut[label - 1].field, 7);
        }
        // Blank labels are not checked; a PDF with fewer pages than sheets is refused.
        QVERIFY(FindCutLabels(cutPdf, {SheetLabels{}}).isEmpty());
        QVERIFY_THROWS_EXCEPTION(Failure, FindCutLabels(cutPdf, {sixOf(tooLong), sixOf(tooLong)}));
        QVERIFY_THROWS_EXCEPTION(Failure, FindCutLabels("not a PDF", {sixOf(fits)}));
    }
};

PARCELON_TEST_MAIN(tst_LabelFit)
#include "tst_labelfit.moc"
