// "Start Creating Template" end to end through the real main window and the
// real LibreOffice engine: the document and the picture are the point here.

#include "app/Form1.h"
#include "app/QtSeams.h"
#include "core/Seams.h"
#include "labels/LabelFit.h"
#include "labels/LabelGeneration.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"
#include "preview/Form2.h"
#include "tests/labels/EngineTestKit.h"
#include "tests/support/NamedChild.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>

#include <csignal>

using namespace EngineTestKit;

namespace {

// The production seams where the click's work goes through them (the
// engine, the random draw, the in-process clipboard); the boxes and dialogs
// are recorded.
struct ProductionRig
{
    RecordingMessageBoxes boxes;
    ScriptedSaveDialog saveDialog;
    ScriptedPrintDialog printDialog;
    ScriptedOpenDialog openDialog;
    ScriptedPlacementDialog placementDialog;
    RecordingUrlOpener urlOpener;
    RecordingProgramExit exit;
    SystemRandom random;
    InProcessClipboard clipboard;
    ModuleEngineFactory engines{clipboard};
    Services services{boxes,     saveDialog, openDialog, printDialog, placementDialog,
                      urlOpener, random,     clipboard,  engines,     exit};
};

} // namespace

class tst_GenerationReal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Qt Test's crash handler has replaced the ignored SIGPIPE: a write to
        // the office this test kills would end the test.
        ::signal(SIGPIPE, SIG_IGN);
    }

    void clickFillsSavesAndShowsTheSheet()
    {
        QVERIFY2(QFileInfo::exists(qEnvironmentVariable("PARCELON_ENGINE_MODULE")), "the engine module is missing");
        ProductionRig rig;
        RecordingMessageBoxes &boxes = rig.boxes;
        ModuleEngineFactory &engines = rig.engines;
        Services &services = rig.services;

        // Distinct values, none a part of another, so that counting them is exact.
        const QStringList fields = {
            "Quayside Freight Ltd", "Mira Okonkwo", "  7 Wharf Lane ", "Harbourton", "ME", "04101",
            "Café Zoë & Söhne",     "Tomasz Wilk",  "88 Orchard Row",  "Lakeview",   "WI", "53703"};
        Form1 form(services);
        form.Form_Load();
        QVERIFY(!form.shouldEnd());
        engines.warmUp(); // as the program does once its window shows
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int n = 1; n <= 12; ++n)
            form.field(n)->setText(fields[n - 1]);
        // A later block's phrase typed into an earlier field, in other letter case.
        form.field(1)->setText(fields[0] + " attn RECIPIENT name");
        boxes.clear();
        // What the user has copied stays on the system clipboard.
        QGuiApplication::clipboard()->setText("copied by the user");

        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(NamedChild<QPushButton>(form, "PushButton6"), Qt::LeftButton);
        qInfo("one generation took %lld ms", clock.elapsed());

        QCOMPARE(boxes.boxes().size(), 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), "copied by the user");
        QVERIFY(QGuiApplication::clipboard()->image().isNull());
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
        FinishPreviewFiles();
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
        // Made on fresh loads in the new office, the same pixels as from the kept template.
        QCOMPARE(preview->viewport().zoomSource().picture, picture);
        QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses(), QList<int>{engines.officeProcessId()}, 20000);
        QVERIFY(engines.officeProcessId() != offices.first());
        preview->PushButton8_Click();
    }

    // A recipient too long for the label at the template's size is set
    // smaller until every line lies inside its label; one too long even at
    // the smallest size is named in a box before the preview.
    void longAddressesAreShrunkOrNamed_data()
    {
        QTest::addColumn<QStringList>("recipient");
        QTest::addColumn<QString>("named");
        QTest::newRow("shrunk to fit") << QStringList{"Northwestern Regional Distribution Cooperative of America",
                                                      "Dr. Anne-Marie Castellanos-Whitfield",
                                                      "4500 Commerce Parkway West, Building C, Suite 1200",
                                                      "Rancho Santa Margarita",
                                                      "CA",
                                                      "92688-1234"}
                                       << QString();
        QTest::newRow("empty, with a tab and replace syntax")
            << QStringList{"", "\tTab Inc", "$1 & ^p \\ .*", "", "", ""} << QString();
        QTest::newRow("too long even when small")
            << QStringList{"Acme", "Jo", QString("Dock 7 ").repeated(200), "Reno", "NV", "89501"}
            << "Recipient Street Address";
    }

    void longAddressesAreShrunkOrNamed()
    {
        QFETCH(QStringList, recipient);
        QFETCH(QString, named);
        ProductionRig rig;
        RecordingMessageBoxes &boxes = rig.boxes;
        ModuleEngineFactory &engines = rig.engines;
        Services &services = rig.services;
        Form1 form(services);
        form.Form_Load();
        const QStringList sender = {"Quillmark", "Dana Whitcombe", "123 Elm Street", "Elmsworth", "NH", "03100"};
        for (int n = 1; n <= 12; ++n)
            form.field(n)->setText(n <= 6 ? sender[n - 1] : recipient[n - 7]);
        boxes.clear();
        form.PushButton6_Click();

        Form2 *preview = form.previewWindow();
        QVERIFY(preview && preview->isVisible());
        const QString pdf = TestEnvironment::temp() + "/laid-out.pdf";
        ConvertDocument(engines, preview->mWordFile, pdf, DocumentFormat::Pdf);
        QStringList fields;
        for (int n = 1; n <= 12; ++n)
            fields << form.field(n)->text();
        const SheetLabels sheet(DefaultStock().labels(), fields);
        const QList<CutLabel> cut = FindCutLabels(ReadFileBytes(pdf), {sheet});
        if (named.isEmpty()) {
            QCOMPARE(boxes.boxes().size(), 0);
            QCOMPARE(cut.size(), 0);
        } else {
            QCOMPARE(boxes.boxes().size(), 1);
            QVERIFY2(boxes.boxes().first().text.contains(named), qPrintable(boxes.boxes().first().text));
            QCOMPARE(cut.size(), 6);
        }
        preview->PushButton8_Click();
    }
};

PARCELON_TEST_MAIN(tst_GenerationReal)
#include "tst_generation_real.moc"
