// Printing and "Save as PDF..." from the preview, through the real office:
// the printed pages are measured, not just found.

#include "core/Seams.h"
#include "labels/LabelPlan.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"
#include "preview/Form2.h"
#include "preview/ListSheets.h"
#include "preview/PictureBox.h"
#include "tests/labels/PublishedStocks.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/PdfPages.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

QString temp(const QString &name)
{
    return TestEnvironment::temp() + QLatin1Char('/') + name;
}

QList<int> sorted(QList<int> cells)
{
    std::sort(cells.begin(), cells.end());
    return cells;
}

} // namespace

class tst_SheetOutput : public QObject
{
    Q_OBJECT

    std::unique_ptr<ModuleEngineFactory> engines;
    // The engine the window uses: the real one, or for a moment a failing one.
    struct SwitchedEngines : EngineFactory
    {
        EngineFactory *current = nullptr;
        std::unique_ptr<WordApplication> createApplication() override { return current->createApplication(); }
    } usedEngines;
    ScriptedServices seams{usedEngines};
    QWidget mainWindow;
    std::unique_ptr<Form2> form;
    QString document;

private slots:
    void initTestCase()
    {
        engines = std::make_unique<ModuleEngineFactory>(seams.clipboard);
        usedEngines.current = engines.get();
        // A generated sheet whose six labels say "Leftsender" and "Rightrecipient".
        QStringList fields;
        for (int field = 1; field <= 12; ++field)
            fields << QStringLiteral("f%1").arg(field);
        fields[0] = QStringLiteral("Leftsender");
        fields[7] = QStringLiteral("Rightrecipient");
        document = temp(QStringLiteral("qmtemp12345678.doc"));
        MakeLabelSheets(*engines, {fields}, document);

        form = std::make_unique<Form2>(seams.services, &mainWindow);
        form->mWordFile = document;
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    void init() { seams.messages.clear(); }

    // Ctrl+P prints the sheet at its actual size on Letter paper, also to a
    // queue whose default paper is A4: on every label the ink lands where it
    // does on the office's own PDF of the document (a fitted page would
    // shrink toward the middle, a margin shift it).
    void printsAtActualSizeOnLetter()
    {
        const QString reference = temp(QStringLiteral("reference.pdf"));
        ConvertDocument(*engines, document, reference, DocumentFormat::Pdf);
        seams.printDialog.printToFile = temp(QStringLiteral("printed.pdf"));
        seams.printDialog.queuePaper = QPageSize(QPageSize::A4);

        QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(seams.printDialog.asked, 1);
        QCOMPARE(seams.messages.boxes().size(), 0);

        const QList<PdfPage> printed = ReadPdfPages(seams.printDialog.printToFile);
        QCOMPARE(printed.size(), 1);
        QCOMPARE(printed[0].size.toSize(), QSize(612, 792));
        constexpr double dpi = 144;
        const QImage ink = RenderPdfPage(seams.printDialog.printToFile, 0, dpi);
        const QImage want = RenderPdfPage(reference, 0, dpi);
        QCOMPARE(ink.size(), QSize(1224, 1584));
        for (int cell = 0; cell < 6; ++cell) {
            const QRect at = InkBounds(ink, AveryCellPixels(cell, dpi));
            const QRect expected = InkBounds(want, AveryCellPixels(cell, dpi));
            QVERIFY(expected.width() > 200 && expected.height() > 150);
            const QMargins off(at.left() - expected.left(), at.top() - expected.top(), at.right() - expected.right(),
                               at.bottom() - expected.bottom());
            QVERIFY2(std::abs(off.left()) <= 2 && std::abs(off.top()) <= 2 && std::abs(off.right()) <= 2
                         && std::abs(off.bottom()) <= 2,
                     qPrintable(QStringLiteral("label %1: ink at %2,%3 to %4,%5, the sheet has it at %6,%7 to %8,%9")
                                    .arg(cell)
                                    .arg(at.left())
                                    .arg(at.top())
                                    .arg(at.right())
                                    .arg(at.bottom())
                                    .arg(expected.left())
                                    .arg(expected.top())
                                    .arg(expected.right())
                                    .arg(expected.bottom())));
        }
        // Nothing outside the labels.
        QCOMPARE(InkBounds(ink, ink.rect()), InkBounds(want, want.rect()));

        // Cancelling the dialog prints nothing.
        QFile::remove(seams.printDialog.printToFile);
        seams.printDialog.accept = false;
        form->printAction()->trigger();
        seams.printDialog.accept = true;
        QVERIFY(!QFileInfo::exists(seams.printDialog.printToFile));
    }

    // A right click that does not move opens the menu; a right drag still pans.
    void pictureMenu()
    {
        QWidget *picture = form->findChild<PictureBox *>(QStringLiteral("Picture1"));
        QStringList offered;
        int menus = 0;
        auto readMenu = [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                ++menus;
                for (QAction *action : menu->actions())
                    offered << action->text() + QLatin1Char('|') + action->shortcut().toString();
                menu->close();
            }
        };
        // The menu runs its own loop: read it from a timer while it is open.
        QTimer reader;
        connect(&reader, &QTimer::timeout, this, readMenu);
        reader.start(20);
        QTest::mousePress(picture, Qt::RightButton, {}, QPoint(40, 40));
        QTest::mouseRelease(picture, Qt::RightButton, {}, QPoint(41, 40));
        QTRY_COMPARE(menus, 1);
        QCOMPARE(offered,
                 (QStringList{"Print...|Ctrl+P", "Save as PDF...|Ctrl+Shift+S", "|", "Print Labels...|Ctrl+L"}));

        QTest::mousePress(picture, Qt::RightButton, {}, QPoint(40, 40));
        QMouseEvent drag(QEvent::MouseMove, QPointF(70, 70), picture->mapToGlobal(QPointF(70, 70)), Qt::NoButton,
                         Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(picture, &drag);
        QTest::mouseRelease(picture, Qt::RightButton, {}, QPoint(70, 70));
        QTest::qWait(200);
        QCOMPARE(menus, 1);
    }

    void savesPdfWithoutEverDestroying()
    {
        // A name without an extension gets ".pdf"; the sheet is a Letter page.
        seams.saveDialog.answers = {temp(QStringLiteral("labels"))};
        QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY2(!seams.saveDialog.titles.isEmpty(), "Ctrl+Shift+S asked for no file name");
        QCOMPARE(seams.saveDialog.titles.last(), QStringLiteral("Save as PDF"));
        const QList<PdfPage> pages = ReadPdfPages(temp(QStringLiteral("labels.pdf")));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].size.toSize(), QSize(612, 792));
        QCOMPARE(sorted(AveryCellsOfWord(pages[0], QStringLiteral("Leftsender"))), (QList<int>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(seams.messages.boxes().size(), 1);
        QCOMPARE(seams.messages.boxes().first().text, QStringLiteral("Done."));

        // An existing file: No keeps it; Yes with a failing engine keeps it too.
        const QString existing = temp(QStringLiteral("kept.pdf"));
        WriteFileBytes(existing, "an older PDF");
        seams.messages.clear();
        seams.messages.scriptAnswers({BoxAnswer::No});
        seams.saveDialog.answers = {existing};
        form->savePdfAction()->trigger();
        QCOMPARE(seams.messages.boxes().size(), 1);
        QCOMPARE(seams.messages.boxes().first().text,
                 QStringLiteral("Are you sure you wish to overwrite %1 ?").arg(existing));
        QCOMPARE(ReadFileBytes(existing), QByteArray("an older PDF"));

        FakeEngine failing;
        failing.failOn(QStringLiteral("saveAs"), 0, QStringLiteral("Disk full"));
        usedEngines.current = &failing;
        seams.messages.clear();
        seams.messages.scriptAnswers({BoxAnswer::Yes});
        seams.saveDialog.answers = {existing};
        form->savePdfAction()->trigger();
        usedEngines.current = engines.get();
        QCOMPARE(ReadFileBytes(existing), QByteArray("an older PDF"));
        QCOMPARE(seams.messages.errorReports().size(), 1);
        QVERIFY2(seams.messages.errorReports().first().text.contains(
                     QLatin1String("Disk full\r\nin Parcelwise2021/08/31.Form2.SaveSheetAsPdf at line 106")),
                 qPrintable(seams.messages.errorReports().first().text));
        // No PDF on its way anywhere is left behind.
        QCOMPARE(
            QDir(TestEnvironment::temp())
                .entryList({QStringLiteral("parcelon-sheet-*"), QStringLiteral(".*.pdf")}, QDir::Files | QDir::Hidden),
            QStringList());
    }

    // Ctrl+L: the typed address on the one label left on a used sheet.
    void printsLabelsOnAUsedSheet()
    {
        QStringList typed;
        for (int field = 1; field <= 12; ++field)
            typed << QStringLiteral("t%1").arg(field);
        form->setTypedAddress([typed] { return typed; });
        seams.placementDialog.answer = LabelChoice{6, 1, {}, {}};
        seams.printDialog.printToFile = temp(QStringLiteral("one-label.pdf"));
        QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(seams.placementDialog.asked.last(), qsizetype(1));
        QCOMPARE(seams.messages.boxes().size(), 0);
        constexpr double dpi = 72;
        const QImage ink = RenderPdfPage(seams.printDialog.printToFile, 0, dpi);
        for (int cell = 0; cell < 6; ++cell)
            QCOMPARE(InkBounds(ink, AveryCellPixels(cell, dpi)).isEmpty(), cell != 5);
    }

    // Ctrl+L on another stock, chosen in the dialog: the job is on the
    // stock's paper at 100 %, the ink on the picked label's published place.
    void printsOnTheChosenStock_data()
    {
        QTest::addColumn<QString>("stock");
        QTest::addColumn<int>("label");
        QTest::newRow("A4 four-up") << "L7169" << 3;
        QTest::newRow("4 x 6 in") << "4x6" << 1;
    }
    void printsOnTheChosenStock()
    {
        QFETCH(QString, stock);
        QFETCH(int, label);
        QStringList typed;
        for (int field = 1; field <= 12; ++field)
            typed << QStringLiteral("t%1").arg(field);
        form->setTypedAddress([typed] { return typed; });
        seams.placementDialog.answer = LabelChoice{label, 1, stock, {}};
        seams.printDialog.printToFile = temp(stock + QStringLiteral("-label.pdf"));
        QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(seams.messages.boxes().size(), 0);
        const PublishedStock *published = nullptr;
        for (const PublishedStock &each : kPublishedStocks) {
            if (stock == QLatin1String(each.name))
                published = &each;
        }
        QVERIFY(published);
        const QList<PdfPage> pages = ReadPdfPages(seams.printDialog.printToFile);
        QCOMPARE(pages.size(), 1);
        QVERIFY(std::abs(pages[0].size.width() - published->paper().width()) < 1);
        QVERIFY(std::abs(pages[0].size.height() - published->paper().height()) < 1);
        constexpr double dpi = 72;
        const QImage ink = RenderPdfPage(seams.printDialog.printToFile, 0, dpi);
        for (int other = 1; other <= published->labels(); ++other) {
            const QRectF points = published->label(other);
            const QRect pixels = QRectF(points.topLeft() * dpi / 72, points.size() * dpi / 72).toAlignedRect();
            QCOMPARE(InkBounds(ink, pixels).isEmpty(), other != label);
        }
    }

    // A list of 16 addresses from label 4: four sheets, shown one by one at
    // the same zoom; every address lands on its label in the saved PDF, the
    // print dialog's range prints those sheets, and "< Back" leaves nothing.
    void listOfSheets()
    {
        QList<QStringList> addresses;
        for (int k = 1; k <= 16; ++k) {
            QStringList fields(12, QStringLiteral("x"));
            fields[7] = QStringLiteral("Addressee%1").arg(k);
            addresses << fields;
        }
        const LabelPlacement placement{4, 1};
        QSignalSpy shown(form.get(), &Form2::listShown);
        form->ShowList(PlanSheets(addresses, placement));
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!form->isMakingSheets(), 120000);
        QCOMPARE(seams.messages.boxes().size(), 0);
        QCOMPARE(form->windowTitle(), QStringLiteral("Parcelon - sheet 1 of 4"));

        form->PushButton1_Click();
        form->PushButton1_Click();
        const float zoom = form->viewport().zoom();
        QCOMPARE(zoom, 1.5f);
        QTest::keyClick(form.get(), Qt::Key_PageDown);
        QTest::keyClick(form.get(), Qt::Key_PageDown);
        QCOMPARE(form->windowTitle(), QStringLiteral("Parcelon - sheet 3 of 4"));
        QCOMPARE(form->viewport().zoom(), zoom);
        QTest::keyClick(form.get(), Qt::Key_PageUp);
        QCOMPARE(form->sheetShown(), 2);

        seams.saveDialog.answers = {temp(QStringLiteral("list.pdf"))};
        form->savePdfAction()->trigger();
        const QList<PdfPage> pages = ReadPdfPages(temp(QStringLiteral("list.pdf")));
        QCOMPARE(pages.size(), 4);
        for (int k = 0; k < 16; ++k) {
            const LabelPosition at = PositionOfLabel(k, placement);
            QCOMPARE(AveryCellsOfWord(pages[at.sheet - 1], QStringLiteral("Addressee%1").arg(k + 1)),
                     QList<int>{at.label - 1});
        }

        seams.printDialog.printToFile = temp(QStringLiteral("sheets-2-3.pdf"));
        seams.printDialog.fromPage = 2;
        seams.printDialog.toPage = 3;
        form->printAction()->trigger();
        seams.printDialog.fromPage = seams.printDialog.toPage = 0;
        QCOMPARE(seams.printDialog.pagesOffered, 4);
        QCOMPARE(ReadPdfPages(seams.printDialog.printToFile).size(), 2);
        constexpr double dpi = 36;
        QCOMPARE(InkBounds(RenderPdfPage(seams.printDialog.printToFile, 1, dpi), AveryCellPixels(5, dpi)).isEmpty(),
                 false); // sheet 3 is full
        QCOMPARE(InkBounds(RenderPdfPage(temp(QStringLiteral("list.pdf")), 3, dpi), AveryCellPixels(1, dpi)).isEmpty(),
                 true); // sheet 4 holds one address

        form->PushButton8_Click();
        QCOMPARE(form->windowTitle(), QStringLiteral("Parcelon"));
        QTRY_COMPARE(QDir(TestEnvironment::temp()).entryList({QStringLiteral("parcelon-*")}, QDir::Dirs | QDir::Files),
                     QStringList());

        // "< Back" just as the worker has finished: what it sent is still on
        // its way, and must not bring the window back.
        form->ShowList(PlanSheets(addresses.mid(0, 1), placement));
        const ListSheets *worker = form->findChild<ListSheets *>();
        QVERIFY(worker);
        while (worker->isRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        form->PushButton8_Click();
        QTest::qWait(300);
        QVERIFY(!form->isVisible());
        QCOMPARE(shown.size(), 1);
    }

    void cleanupTestCase()
    {
        form.reset();
        engines.reset();
    }
};

PARCELON_TEST_MAIN(tst_SheetOutput)
#include "tst_sheetoutput.moc"
