#include "AppInfo.h"
#include "Form2.h"
#include "PictureBox.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedSeams.h"
#include "Seams.h"
#include "Skin.h"
#include "SyntheticSheet.h"
#include "TestMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSet>

namespace {
const QString kSaveTag = QStringLiteral("in Parcelwise2021/08/31.Form2.PushButton6_Click ");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The preview window with recording seams, a stand-in main window and a
// generated document in the temporary folder.
struct Preview
{
    RecordingMessageBoxes boxes;
    ScriptedSaveDialog dialog;
    RecordingProgramExit exit;
    Services services;
    QWidget mainWindow;
    std::unique_ptr<Form2> form;
    QByteArray document;

    Preview()
    {
        services.messages = &boxes;
        services.saveDialog = &dialog;
        services.exit = &exit;
        form = std::make_unique<Form2>(services, &mainWindow);
        document = QByteArray("\xD0\xCF\x11\xE0 a generated label document ", 30) + QByteArray(70000, '\x5A');
        form->mWordFile = TestEnvironment::temp() + QStringLiteral("/qmtemp12345678.doc");
        write(form->mWordFile, document);
    }

    // What label generation does: picture, path, show, hide the main window.
    void showSheet(const QImage &sheet = SyntheticSheet())
    {
        form->setPicture(sheet);
        form->show();
        mainWindow.hide();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_VERIFY(!form->firstActivationDue());
    }

    template <typename T>
    T *child(const char *name) const
    {
        T *w = form->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    PictureBox *canvas() const { return child<PictureBox>("Picture1"); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
};
} // namespace

class Form2Test : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void layout();
    void tabOrder();
    void colours();
    void firstDisplayOncePerShowing();
    void zoomButtonsResizeTheCanvas();
    void dragThenReleaseMovesTheBars();
    void scrollBarsMoveTheCanvas();
    void paintedCanvasIsSharp();
    void pointerFeedback();
    void handCursorBesideTheProgram();
    void backDeletesTheDocumentAndShowsTheMainWindow();
    void backThenNewSheet();
    void closeDeletesTheDocumentAndEndsTheProgram();

    void saveCancelled();
    void saveOverExistingAnsweredNo();
    void saveOverExistingAnsweredYes();
    void saveWithoutExtension();
    void saveFailureKeepsTheOldFile();
    void saveTwice();
    void saveDialogFailure();
};

void Form2Test::cleanup()
{
    for (const QString &folder : {TestEnvironment::temp(), TestEnvironment::root() + QStringLiteral("/home")}) {
        QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
            dir.remove(name);
    }
}

void Form2Test::layout()
{
    Preview p;
    Form2 &f = *p.form;
    QCOMPARE(f.size(), QSize(656, 626));
    QCOMPARE(f.minimumSize(), f.maximumSize());
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(f.windowTitle(), QStringLiteral("Parcelon"));
    QVERIFY(!f.windowIcon().isNull());
    QCOMPARE(f.font().family(), QStringLiteral("Arial"));
    QCOMPARE(f.font().pointSizeF(), 9.0);
    QVERIFY(f.font().bold());

    const struct
    {
        const char *name;
        QRect geometry;
    } expected[] = {
        {"Picture2", {8, 8, 622, 495}},  {"VScroll1", {630, 8, 17, 495}},
        {"HScroll1", {8, 503, 622, 17}}, {"Frame1", {8, 524, 640, 57}},
        {"PushButton1", {16, 20, 296, 27}}, {"PushButton2", {320, 20, 304, 27}},
        {"PushButton8", {8, 590, 312, 27}}, {"PushButton6", {328, 590, 320, 27}},
        {"Zoom_Ori", {688, 32, 49, 25}},
    };
    for (const auto &e : expected)
        QCOMPARE(p.child<QWidget>(e.name)->geometry(), e.geometry);
    // The canvas lies in the viewport's inner area, inside its 2-pixel border.
    QCOMPARE(p.canvas()->mapTo(p.child<QWidget>("Picture2"), QPoint(0, 0)), QPoint(2, 2));
    QCOMPARE(p.canvas()->size(), QSize(156, 229));
    QCOMPARE(p.canvas()->parentWidget()->size(), QSize(618, 491));

    QCOMPARE(p.button("PushButton1")->text(), QStringLiteral("Zoom In"));
    QCOMPARE(p.button("PushButton2")->text(), QStringLiteral("Zoom Out"));
    QCOMPARE(p.button("PushButton6")->text(), QStringLiteral("Save Results To Word File"));
    QCOMPARE(p.button("PushButton8")->text(), QStringLiteral("< Back"));
    QCOMPARE(p.child<QGroupBox>("Frame1")->title(), QStringLiteral("Zoom:"));
    QCOMPARE(p.button("PushButton6")->font().pointSizeF(), 11.25);
    QVERIFY(p.button("PushButton6")->font().bold());
    QCOMPARE(p.child<QScrollBar>("HScroll1")->maximum(), 32767);
    QCOMPARE(p.child<QScrollBar>("HScroll1")->pageStep(), 1);
    QVERIFY(!p.child<QScrollBar>("HScroll1")->hasTracking()); // moves on release of the thumb
}

void Form2Test::tabOrder()
{
    Preview p;
    p.showSheet();
    const QStringList designed = {"HScroll1", "VScroll1", "Picture2", "Picture1",
                                  "PushButton1", "PushButton2", "PushButton6", "PushButton8"};
    QStringList order;
    QWidget *start = p.child<QWidget>("HScroll1");
    QWidget *w = start;
    do {
        if (designed.contains(w->objectName()) && (w->focusPolicy() & Qt::TabFocus))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start && order.size() < 20);
    QCOMPARE(order, designed);
    QCOMPARE(p.child<QWidget>("Zoom_Ori")->focusPolicy(), Qt::NoFocus);

    // Shown centred on the screen (to within a title bar the window manager adds later).
    const QPoint offset = p.form->frameGeometry().center() - p.form->screen()->availableGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 20, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

void Form2Test::colours()
{
    Preview p;
    // The window and its frame were recoloured at load; the picture boxes keep theirs.
    QCOMPARE(p.form->palette().color(QPalette::Window), ButtonFaceColour());
    QCOMPARE(p.child<QGroupBox>("Frame1")->palette().color(QPalette::Window), ButtonFaceColour());
    QCOMPARE(p.child<PictureBox>("Picture2")->background(), QColor(Qt::white));
    QCOMPARE(p.child<PictureBox>("Zoom_Ori")->background(), QColor(Qt::white));
    QCOMPARE(p.canvas()->background(), QApplication::palette().color(QPalette::Base));
    QCOMPARE(p.button("PushButton6")->palette().color(QPalette::Button), QColor(Qt::white));
    p.showSheet();
    QCOMPARE(p.canvas()->background(), QColor(Qt::white));
}

void Form2Test::firstDisplayOncePerShowing()
{
    Preview p;
    QVERIFY(p.form->firstActivationDue());
    p.form->setPicture(SyntheticSheet());
    // Before its first display the canvas shows the picture as handed over.
    QVERIFY(p.canvas()->hasPicture());
    p.showSheet();
    QCOMPARE(p.form->viewport().zoom(), 1.0f);
    QCOMPARE(p.canvas()->size(), QSize(368, 476)); // 5518 x 7138 twips
    QVERIFY(!p.canvas()->hasPicture());
    QVERIFY(!p.canvas()->painting().isNull());
    QVERIFY(!p.child<QWidget>("Zoom_Ori")->isVisible());
    QVERIFY(!p.child<QScrollBar>("HScroll1")->isEnabled());

    p.click("PushButton1");
    QCOMPARE(p.form->viewport().zoom(), 1.25f);
    // Activations after the first change nothing.
    p.mainWindow.show();
    p.mainWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.mainWindow));
    p.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.form.get()));
    p.form->Form_Activate();
    QCOMPARE(p.form->viewport().zoom(), 1.25f);
    QCOMPARE(p.canvas()->width(), 460);
    QVERIFY(p.boxes.boxes().isEmpty());
}

void Form2Test::zoomButtonsResizeTheCanvas()
{
    Preview p;
    p.showSheet();
    p.click("PushButton2");
    QCOMPARE(p.canvas()->size(), QSize(276, 357)); // 4138 x 5353 twips
    p.click("PushButton2");
    p.click("PushButton2");
    p.click("PushButton2");
    QCOMPARE(p.form->viewport().zoom(), 0.25f);
    QCOMPARE(p.canvas()->size(), QSize(92, 119));
    for (int i = 0; i < 7; ++i)
        p.click("PushButton1");
    QCOMPARE(p.form->viewport().zoom(), 2.0f);
    QCOMPARE(p.canvas()->size(), QSize(736, 952));
    QVERIFY(p.child<QScrollBar>("HScroll1")->isEnabled());
    QCOMPARE(p.child<QScrollBar>("HScroll1")->maximum(), 171);
    QCOMPARE(p.child<QScrollBar>("VScroll1")->maximum(), 685);
    // The next step reaches the cap: back to 1.0, the 2.0 painting stays.
    p.click("PushButton1");
    QCOMPARE(p.form->viewport().zoom(), 1.0f);
    QCOMPARE(p.canvas()->size(), QSize(736, 952));
    QVERIFY(p.boxes.boxes().isEmpty());
}

void Form2Test::dragThenReleaseMovesTheBars()
{
    Preview p;
    p.showSheet();
    for (int i = 0; i < 4; ++i)
        p.click("PushButton1");
    PictureBox *canvas = p.canvas();
    QScrollBar *h = p.child<QScrollBar>("HScroll1");
    QScrollBar *v = p.child<QScrollBar>("VScroll1");
    QCOMPARE(canvas->pos(), QPoint(0, 0));

    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(canvas, QPoint(50, 60));
    // The canvas follows the pointer by (-50, -40) pixels; the bars wait.
    QCOMPARE(canvas->pos(), QPoint(-50, -40));
    QCOMPARE(h->value(), 0);
    QCOMPARE(v->value(), 0);
    // The grabbed point is under the pointer again: release there.
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(100, 100));
    // 750 / 1706 = 44 % of 171 is 75; 600 / 6851 = 9 % of 685 is 62.
    QCOMPARE(h->value(), 75);
    QCOMPARE(v->value(), 62);
    QCOMPARE(canvas->pos(), QPoint(-50, -41)); // -750, -620 twips
    QVERIFY(p.boxes.boxes().isEmpty());

    // Moving without a button held never moves it.
    QTest::mouseMove(canvas, QPoint(10, 10));
    QCOMPARE(canvas->pos(), QPoint(-50, -41));
}

void Form2Test::scrollBarsMoveTheCanvas()
{
    Preview p;
    p.showSheet();
    for (int i = 0; i < 4; ++i)
        p.click("PushButton1");
    QScrollBar *h = p.child<QScrollBar>("HScroll1");
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(h->value(), 2);
    QCOMPARE(p.form->viewport().canvas().left, -20.f);
    h->setValue(171);
    QCOMPARE(p.canvas()->x(), -114); // -1710 twips
    QScrollBar *v = p.child<QScrollBar>("VScroll1");
    v->setValue(685);
    QCOMPARE(p.canvas()->y(), -457); // -6850 twips
    // A zoom step puts the canvas back at the top-left, every bar at 0.
    p.click("PushButton2");
    QCOMPARE(p.canvas()->pos(), QPoint(0, 0));
    QCOMPARE(h->value(), 0);
    QCOMPARE(v->value(), 0);
}

void Form2Test::paintedCanvasIsSharp()
{
    Preview p;
    p.showSheet();
    for (int i = 0; i < 4; ++i)
        p.click("PushButton1");
    const QImage shown = p.form->grab().toImage();
    // The viewport's inner area starts at (10, 10) in the window.
    int dark = 0;
    for (int y = 10; y < 500; y += 2)
        for (int x = 10; x < 620; x += 2)
            if (qGray(shown.pixel(x, y)) < 100)
                ++dark;
    QVERIFY2(dark > 500, "the painted label sheet shows");
    // The stripes (two source pixels wide) stand apart at 2.0; upscaling a
    // screen-sized copy would show flat grey there.
    const int y = 10 + 15; // source row 30 at zoom 2.0
    int sharp = 0;
    for (int x = 10 + 21; x < 10 + 215; ++x)
        if (qAbs(qGray(shown.pixel(x, y)) - qGray(shown.pixel(x - 1, y))) > 150)
            ++sharp;
    QVERIFY2(sharp > 150, qPrintable(QString::number(sharp)));
}

void Form2Test::pointerFeedback()
{
    Preview p;
    p.showSheet();
    QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Default);
    QTest::mouseMove(p.button("PushButton6"), QPoint(20, 10));
    QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Custom);
    QVERIFY(!p.form->pointer().hasCustomCursor()); // no HAND-M.CUR beside the tests
    QTest::mouseMove(p.child<QWidget>("Frame1"), QPoint(5, 50));
    QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Default);
    QTest::mouseMove(p.button("PushButton1"), QPoint(20, 10));
    QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Custom);
    QTest::mouseMove(p.form.get(), QPoint(650, 300));
    QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Default);
    // A repaint sets the default pointer.
    QTest::mouseMove(p.button("PushButton1"), QPoint(20, 10));
    QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Custom);
    p.form->PushButton1_Click();
    QCOMPARE(p.form->pointer().kind(), PointerKind::Default);
    QVERIFY(p.boxes.boxes().isEmpty()); // a missing HAND-M.CUR is no failure
}

void Form2Test::handCursorBesideTheProgram()
{
    // The test program's own folder stands in for the program folder.
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR");
    QVERIFY(!QFile::exists(path));
    const auto removeIt = qScopeGuard([&] { QFile::remove(path); });

    write(path, "not a cursor at all");
    {
        Preview p;
        const auto reports = p.boxes.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports[0].text.contains(
            QStringLiteral("in Parcelwise2021/08/31.Form2.Form_Load at line 110")));
        QVERIFY(!p.form->pointer().hasCustomCursor());
    }
    QFile::remove(path);
    QVERIFY(QFile::copy(QStringLiteral(PARCELON_HAND_CURSOR_FILE), path));
    {
        Preview p;
        QVERIFY(p.boxes.boxes().isEmpty());
        QVERIFY(p.form->pointer().hasCustomCursor());
        p.showSheet();
        QTest::mouseMove(p.button("PushButton8"), QPoint(20, 10));
        QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Custom);
        QTRY_COMPARE(p.form->cursor().shape(), Qt::BitmapCursor);
    }
}

void Form2Test::backDeletesTheDocumentAndShowsTheMainWindow()
{
    Preview p;
    p.showSheet();
    QVERIFY(QFile::exists(p.form->mWordFile));
    p.click("PushButton8");
    QVERIFY(!QFile::exists(p.form->mWordFile));
    QVERIFY(p.mainWindow.isVisible());
    QVERIFY(!p.form->isVisible());
    QVERIFY(p.form->firstActivationDue());
    QCOMPARE(p.exit.calls, 0);
    QVERIFY(p.boxes.boxes().isEmpty());
}

void Form2Test::backThenNewSheet()
{
    Preview p;
    p.showSheet(SyntheticSheet(QStringLiteral("First Recipient")));
    for (int i = 0; i < 4; ++i)
        p.click("PushButton1");
    QTest::mousePress(p.canvas(), Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(p.canvas(), QPoint(200, 200));
    QTest::mouseRelease(p.canvas(), Qt::LeftButton, {}, QPoint(300, 300));
    QVERIFY(p.canvas()->x() < 0);
    const QPixmap first = p.canvas()->painting();
    p.click("PushButton8");

    // Generate again: a different sheet, shown at 1.0 at the top-left.
    QImage second(1472, 1904, QImage::Format_RGB32);
    second.fill(Qt::black);
    second.setDotsPerMeterX(15118);
    second.setDotsPerMeterY(15118);
    p.form->mWordFile = TestEnvironment::temp() + QStringLiteral("/qmtemp87654321.doc");
    write(p.form->mWordFile, "second");
    p.showSheet(second);
    QCOMPARE(p.form->viewport().zoom(), 1.0f);
    QCOMPARE(p.canvas()->pos(), QPoint(0, 0));
    QCOMPARE(p.canvas()->size(), QSize(368, 476));
    QCOMPARE(p.child<QScrollBar>("HScroll1")->value(), 0);
    p.click("PushButton1");
    const QImage painted = p.canvas()->painting().toImage();
    QCOMPARE(qGray(painted.pixel(100, 100)), 0); // the new sheet, never the previous one
    QVERIFY(painted.cacheKey() != first.toImage().cacheKey());
}

void Form2Test::closeDeletesTheDocumentAndEndsTheProgram()
{
    Preview p;
    p.showSheet();
    QVERIFY(p.form->close()); // never cancelled
    QVERIFY(!QFile::exists(p.form->mWordFile));
    QCOMPARE(p.exit.calls, 1);
    QVERIFY(p.boxes.boxes().isEmpty());
}

void Form2Test::saveCancelled()
{
    Preview p;
    p.showSheet();
    p.dialog.answers = {QString()};
    p.click("PushButton6");
    QCOMPARE(p.dialog.titles, QStringList{QStringLiteral("Save File")});
    QCOMPARE(p.dialog.filters, QStringList{QStringLiteral("Word Files (*.doc)")});
    QCOMPARE(p.boxes.boxes().size(), 1);
    QCOMPARE(p.boxes.boxes()[0].text, QStringLiteral("Done."));
    QCOMPARE(p.boxes.boxes()[0].style, BoxStyle::Information);
    QCOMPARE(p.boxes.boxes()[0].title, AppInfo::applicationTitle());
    QCOMPARE(QDir(TestEnvironment::temp()).entryList(QDir::Files).size(), 1);
}

void Form2Test::saveOverExistingAnsweredNo()
{
    Preview p;
    p.showSheet();
    const QString target = TestEnvironment::root() + QStringLiteral("/home/labels.doc");
    write(target, "keep me");
    p.dialog.answers = {target};
    p.boxes.scriptAnswers({BoxAnswer::No});
    p.click("PushButton6");
    QCOMPARE(readAll(target), QByteArray("keep me"));
    QCOMPARE(p.boxes.boxes().size(), 2);
    QCOMPARE(p.boxes.boxes()[0].text, QStringLiteral("Are you sure you wish to overwrite ") + target + QStringLiteral(" ?"));
    QCOMPARE(p.boxes.boxes()[0].style, BoxStyle::YesNo);
    QCOMPARE(p.boxes.boxes()[0].title, AppInfo::applicationTitle());
    QCOMPARE(p.boxes.boxes()[1].text, QStringLiteral("Done."));
}

void Form2Test::saveOverExistingAnsweredYes()
{
    Preview p;
    p.showSheet();
    const QString target = TestEnvironment::root() + QStringLiteral("/home/labels.doc");
    write(target, QByteArray(200000, 'o'));
    p.dialog.answers = {target};
    p.boxes.scriptAnswers({BoxAnswer::Yes});
    p.click("PushButton6");
    QCOMPARE(readAll(target), p.document);
    QCOMPARE(p.boxes.boxes().size(), 2);
    QVERIFY(p.boxes.errorReports().isEmpty());
    QCOMPARE(QDir(TestEnvironment::root() + QStringLiteral("/home")).entryList(QDir::Files),
             QStringList{QStringLiteral("labels.doc")});
}

void Form2Test::saveWithoutExtension()
{
    Preview p;
    p.showSheet();
    const QString target = TestEnvironment::root() + QStringLiteral("/home/labels");
    p.dialog.answers = {target};
    p.click("PushButton6");
    QCOMPARE(readAll(target), p.document);
    QVERIFY(!QFile::exists(target + QStringLiteral(".doc")));
    // Nothing to overwrite: no question, only "Done.".
    QCOMPARE(p.boxes.boxes().size(), 1);
    QCOMPARE(p.boxes.boxes()[0].text, QStringLiteral("Done."));
}

void Form2Test::saveFailureKeepsTheOldFile()
{
    Preview p;
    p.showSheet();
    const QString target = TestEnvironment::root() + QStringLiteral("/home/labels.doc");
    write(target, "the only copy of last week's labels");
    QFile::remove(p.form->mWordFile); // the temporary document went missing
    p.dialog.answers = {target};
    p.boxes.scriptAnswers({BoxAnswer::Yes});
    p.click("PushButton6");
    QCOMPARE(readAll(target), QByteArray("the only copy of last week's labels"));
    const auto reports = p.boxes.errorReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].text.contains(QStringLiteral("\r\n") + kSaveTag + QStringLiteral("at line 130\r\r")));
    QCOMPARE(p.boxes.boxes().size(), 3); // question, report, "Done."
    QCOMPARE(p.boxes.boxes().last().text, QStringLiteral("Done."));

    // A new name: no partial file is left.
    const QString fresh = TestEnvironment::root() + QStringLiteral("/home/fresh.doc");
    p.dialog.answers = {fresh};
    p.click("PushButton6");
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(QDir(TestEnvironment::root() + QStringLiteral("/home")).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("labels.doc")});
}

void Form2Test::saveTwice()
{
    Preview p;
    p.showSheet();
    const QString first = TestEnvironment::root() + QStringLiteral("/home/one.doc");
    const QString second = TestEnvironment::root() + QStringLiteral("/home/two.doc");
    p.dialog.answers = {first, second};
    p.click("PushButton6");
    p.click("PushButton6");
    QCOMPARE(readAll(first), p.document);
    QCOMPARE(readAll(second), p.document);
    QCOMPARE(readAll(p.form->mWordFile), p.document); // lives until the user leaves
    QCOMPARE(p.boxes.boxes().size(), 2);
    // Coming back from the dialog and boxes leaves the view as it was.
    QCOMPARE(p.form->viewport().zoom(), 1.0f);
}

void Form2Test::saveDialogFailure()
{
    Preview p;
    p.showSheet();
    p.dialog.fail = true;
    p.click("PushButton6");
    QCOMPARE(p.boxes.boxes().size(), 2);
    QVERIFY(p.boxes.boxes()[0].text.contains(kSaveTag + QStringLiteral("at line 112")));
    QCOMPARE(p.boxes.boxes()[1].text, QStringLiteral("Done."));
}

PARCELON_TEST_MAIN(Form2Test)
#include "Form2Test.moc"
