// "Start Creating Template" end to end through the real main window and the
// real LibreOffice engine: the document and the picture are the point here.

#include "app/Form1.h"
#include "app/QtSeams.h"
#include "core/Seams.h"
#include "labels/ModuleEngineFactory.h"
#include "preview/Form2.h"
#include "tests/labels/EngineTestKit.h"
#include "tests/support/NamedChild.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <csignal>

using namespace EngineTestKit;

class tst_GenerationReal : public QObject
{
    Q_OBJECT

private slots:
    void clickFillsSavesAndShowsTheSheet()
    {
        QVERIFY2(QFileInfo::exists(qEnvironmentVariable("PARCELON_ENGINE_MODULE")), "the engine module is missing");
        // The production seams where the click's work goes through them; the
        // boxes and dialogs are recorded.
        RecordingMessageBoxes boxes;
        ScriptedSaveDialog saveDialog;
        ScriptedPrintDialog printDialog;
        ScriptedOpenDialog openDialog;
        ScriptedPlacementDialog placementDialog;
        RecordingUrlOpener urlOpener;
        RecordingProgramExit exit;
        SystemRandom random;
        SystemClipboard clipboard;
        ModuleEngineFactory engines(clipboard);
        Services services{boxes,     saveDialog, openDialog, printDialog, placementDialog,
                          urlOpener, random,     clipboard,  engines,     exit};

        // Distinct values, none a part of another, so that counting them is exact.
        const QStringList fields = {
            "Quayside Freight Ltd", "Mira Okonkwo", "  7 Wharf Lane ", "Harbourton", "ME", "04101",
            "Café Zoë & Söhne",     "Tomasz Wilk",  "88 Orchard Row",  "Lakeview",   "WI", "53703"};
        Form1 form(services);
        form.Form_Load();
        QVERIFY(!form.shouldEnd());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int n = 1; n <= 12; ++n)
            form.field(n)->setText(fields[n - 1]);
        // A later block's phrase typed into an earlier field, in other letter case.
        form.field(1)->setText(fields[0] + " attn RECIPIENT name");
        boxes.clear();

        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(NamedChild<QPushButton>(form, "PushButton6"), Qt::LeftButton);
        qInfo("one generation took %lld ms", clock.elapsed());

        QCOMPARE(boxes.boxes().size(), 0);
        QVERIFY(!form.mBusy);
        QVERIFY(!form.isVisible());
        Form2 *preview = form.previewWindow();
        QVERIFY(preview && preview->isVisible());

        // The picture: a page-shaped sheet, mostly white, with the labels' text on it.
        // Once the first display has run, the zoom source holds it at its natural size.
        QTRY_VERIFY(!preview->firstActivationDue());
        const QImage picture = preview->viewport().zoomSource().picture;
        QVERIFY(picture.height() > picture.width());
        int dark = 0;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4)
                dark += qGray(picture.pixel(x, y)) < 128;
        QVERIFY2(dark > 100 && dark < (picture.width() / 4) * (picture.height() / 4) / 4,
                 qPrintable(QString::number(dark)));

        // The document: a fresh name in the temporary folder, every value on all six labels.
        const QString document = preview->mWordFile;
        QVERIFY(QFileInfo(document).fileName().contains(QRegularExpression("^qmtemp[1-9]{8}\\.doc$")));
        QCOMPARE(QFileInfo(document).absolutePath(), TestEnvironment::temp());
        QVERIFY(isCompoundDocument(document));
        const QString text = documentText(document);
        const QStringList expected = {fields[0] + " attn " + fields[7],
                                      fields[1],
                                      fields[2],
                                      "Harbourton, ME 04101",
                                      fields[6],
                                      fields[7],
                                      fields[8],
                                      "Lakeview, WI 53703"};
        for (const QString &value : expected)
            QVERIFY2(text.count(value) == 6 + (value == fields[7] ? 6 : 0), qPrintable(value + " in:\n" + text));
        for (const QString &phrase : placeholderPhrases())
            QVERIFY2(!text.contains(phrase, Qt::CaseInsensitive), qPrintable(phrase));

        // Nothing else is left but the document's owner marker: no template
        // copy, no picture file, no lock; the one office stays for the next click.
        QCOMPARE(QDir(TestEnvironment::temp())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList({QFileInfo(document).fileName(), QFileInfo(document).fileName() + ".owner"}));
        const QList<int> offices = ourOfficeProcesses();
        QCOMPARE(offices, QList<int>{engines.officeProcessId()});

        // An office killed between two clicks is replaced: the next click
        // reports nothing and shows the same sheet.
        preview->PushButton8_Click(); // < Back
        ::kill(offices.first(), SIGKILL);
        QTest::mouseClick(NamedChild<QPushButton>(form, "PushButton6"), Qt::LeftButton);
        QCOMPARE(boxes.boxes().size(), 0);
        QVERIFY(preview->isVisible());
        QTRY_VERIFY(!preview->firstActivationDue());
        QCOMPARE(preview->viewport().zoomSource().picture.size(), picture.size());
        QTRY_COMPARE(ourOfficeProcesses(), QList<int>{engines.officeProcessId()});
        QVERIFY(engines.officeProcessId() != offices.first());
        preview->PushButton8_Click();
    }
};

PARCELON_TEST_MAIN(tst_GenerationReal)
#include "tst_generation_real.moc"
