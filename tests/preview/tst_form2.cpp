#include "core/AppInfo.h"
#include "core/Seams.h"
#include "preview/Form2.h"
#include "preview/PictureBox.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/NamedChild.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "widgets/Skin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QWheelEvent>

namespace {
const QString kSaveTag = QStringLiteral("in Parcelwise2021/08/31.Form2.PushButton6_Click ");

// A page picture as label generation hands it over: 1472 x 1904 pixels at
// 384 dpi, with a band of stripes two pixels wide at the top left.
QImage sheet()
{
    QImage page(1472, 1904, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(15118);
    page.setDotsPerMeterY(15118);
    QPainter painter(&page);
    for (int x = 40; x < 440; x += 4)
        painter.fillRect(x, 10, 2, 40, Qt::black);
    return page;
}

QString home(const QString &name = QString())
{
    return TestEnvironment::root() + QStringLiteral("/home/") + name;
}

QStringList homeFiles()
{
    return QDir(home()).entryList(QDir::Files | QDir::Hidden);
}

// The preview window with recording seams, a stand-in main window and a
// generated document in the temporary folder.
struct Preview : FakeServices
{
    QWidget mainWindow;
    std::unique_ptr<Form2> form;
    QByteArray document = QByteArray("\xD0\xCF\x11\xE0 a generated label document ", 30) + QByteArray(70000, 'Z');

    Preview()
    {
        form = std::make_unique<Form2>(services, &mainWindow);
        form->mWordFile = TestEnvironment::temp() + QStringLiteral("/qmtemp12345678.doc");
        WriteFileBytes(form->mWordFile, document);
    }

    // What label generation does: picture, show, hide the main window.
    void showSheet()
    {
        form->setPicture(sheet());
        form->show();
        mainWindow.hide();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_VERIFY(!form->firstActivationDue());
    }

    template <typename T = QWidget>
    T *child(const char *name) const
    {
        return NamedChild<T>(*form, name);
    }
    PictureBox *canvas() const { return child<PictureBox>("Picture1"); }
    QScrollBar *bar(const char *name) const { return child<QScrollBar>(name); }
    void click(const char *name, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton);
    }
};
} // namespace

class tst_Form2 : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void layoutAndColours();
    void firstDisplayOncePerShowing();
    void zoomDragAndBars();
    void pointerFeedback();
    void closeDeletesTheDocumentAndEndsTheProgram();
    void save_data();
    void save();
    void saveFailureKeepsTheOldFile();
    void saveTwice();
};

void tst_Form2::cleanup()
{
    for (const QString &folder : {TestEnvironment::temp(), home()}) {
        QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
            dir.remove(name);
    }
}

void tst_Form2::layoutAndColours()
{
    Preview p;
    Form2 &f = *p.form;
    QCOMPARE(f.size(), QSize(656, 626));
    QCOMPARE(f.minimumSize(), f.maximumSize());
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.windowTitle(), QStringLiteral("Parcelon"));

    const struct
    {
        const char *name;
        QRect geometry;
        const char *caption;
    } expected[] = {
        {"Picture2", {8, 8, 622, 495}, nullptr},
        {"HScroll1", {8, 503, 622, 17}, nullptr},
        {"Frame1", {8, 524, 640, 57}, "Zoom:"},
        {"PushButton1", {16, 20, 296, 27}, "Zoom In"},
        {"PushButton2", {320, 20, 304, 27}, "Zoom Out"},
        {"PushButton8", {8, 590, 312, 27}, "< Back"},
        {"PushButton6", {328, 590, 320, 27}, "Save Results To Word File"},
    };
    for (const auto &e : expected) {
        QWidget *w = p.child(e.name);
        QCOMPARE(w->geometry(), e.geometry);
        if (auto *button = qobject_cast<QPushButton *>(w))
            QCOMPARE(button->text(), QString::fromUtf8(e.caption));
        if (auto *frame = qobject_cast<QGroupBox *>(w))
            QCOMPARE(frame->title(), QString::fromUtf8(e.caption));
    }
    // The canvas lies in the viewport's inner area, inside its 2-pixel border.
    QCOMPARE(p.canvas()->mapTo(p.child("Picture2"), QPoint(0, 0)), QPoint(2, 2));
    QVERIFY(!p.bar("HScroll1")->hasTracking()); // moves on release of the thumb

    // The window and its frame were recoloured at load; the picture boxes keep theirs.
    QCOMPARE(f.palette().color(QPalette::Window), ButtonFaceColour());
    QCOMPARE(p.child("Frame1")->palette().color(QPalette::Window), ButtonFaceColour());
    QCOMPARE(p.child<PictureBox>("Picture2")->background(), QColor(Qt::white));
    QCOMPARE(p.child<PictureBox>("Zoom_Ori")->background(), QColor(Qt::white));
    // The frame's caption sits in its top edge, as on the main window.
    QCOMPARE(p.child("Frame1")->style()->name(), QStringLiteral("windows"));
    QSet<QString> names;
    for (const char *name : {"Picture2", "Picture1", "HScroll1", "VScroll1"})
        names.insert(p.child(name)->accessibleName());
    QVERIFY(names.size() == 4 && !names.contains(QString()));
    QCOMPARE(p.canvas()->background(), QApplication::palette().color(QPalette::Base));
    p.showSheet();
    QCOMPARE(p.canvas()->background(), QColor(Qt::white));

    // The picture is one stop, the viewport; a click on the sheet focuses it too.
    const QStringList designed = {"HScroll1",    "VScroll1",    "Picture2",   "PushButton1",
                                  "PushButton2", "PushButton6", "PushButton8"};
    QStringList order;
    QWidget *w = p.child("HScroll1");
    do {
        if (designed.contains(w->objectName()) && (w->focusPolicy() & Qt::TabFocus))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != p.child("HScroll1") && order.size() < 20);
    QCOMPARE(order, designed);
    QCOMPARE(p.child("Zoom_Ori")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(p.child("Picture1")->focusProxy(), p.child("Picture2"));

    // Shown centred on the screen (to within a title bar the window manager adds later).
    const QPoint offset = f.frameGeometry().center() - f.screen()->availableGeometry().center();
    QVERIFY(offset.manhattanLength() <= 20);
}

void tst_Form2::firstDisplayOncePerShowing()
{
    Preview p;
    QVERIFY(p.form->firstActivationDue());
    p.form->setPicture(sheet());
    // Before its first display the canvas shows the picture as handed over.
    QVERIFY(p.canvas()->hasPicture());
    p.showSheet();
    QCOMPARE(p.form->viewport().zoom(), 1.0f);
    QCOMPARE(p.canvas()->size(), QSize(368, 476)); // 5518 x 7138 twips
    QVERIFY(!p.canvas()->hasPicture());
    QVERIFY(!p.canvas()->painting().isNull());
    QVERIFY(!p.child("Zoom_Ori")->isVisible());
    QVERIFY(!p.bar("HScroll1")->isEnabled());

    // It opens with the focus on Zoom In; Return presses it, as Space does.
    QCOMPARE(p.form->focusWidget(), p.child("PushButton1"));
    QTest::keyClick(p.child("PushButton1"), Qt::Key_Return);
    // Activations after the first change nothing.
    p.mainWindow.show();
    p.mainWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.mainWindow));
    p.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.form.get()));
    p.form->Form_Activate();
    QCOMPARE(p.form->viewport().zoom(), 1.25f);
    QCOMPARE(p.canvas()->width(), 460);

    // "< Back" deletes the document and shows the main window; the next
    // showing is a first display again.
    p.mainWindow.hide();
    p.click("PushButton8");
    QVERIFY(!QFile::exists(p.form->mWordFile));
    QVERIFY(p.mainWindow.isVisible());
    QVERIFY(!p.form->isVisible());
    QCOMPARE(p.exit.calls, 0);
    // Without a window manager an activation can still arrive for the hidden window.
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(p.form.get(), &activate);
    QVERIFY(p.form->firstActivationDue());
    p.showSheet();
    QCOMPARE(p.form->viewport().zoom(), 1.0f);
    QCOMPARE(p.canvas()->size(), QSize(368, 476));
    QVERIFY(p.messages.boxes().isEmpty());
}

void tst_Form2::zoomDragAndBars()
{
    Preview p;
    p.showSheet();
    p.click("PushButton2", 4);
    QCOMPARE(p.form->viewport().zoom(), 0.25f);
    QCOMPARE(p.canvas()->size(), QSize(92, 119));
    p.click("PushButton1", 7);
    QCOMPARE(p.form->viewport().zoom(), 2.0f);
    PictureBox *canvas = p.canvas();
    QScrollBar *h = p.bar("HScroll1");
    QScrollBar *v = p.bar("VScroll1");
    QCOMPARE(canvas->size(), QSize(736, 952));
    QVERIFY(h->isEnabled());
    QCOMPARE(h->maximum(), 171);
    QCOMPARE(v->maximum(), 685);
    // Each step kept the centre in view; from the top-left corner here.
    h->setValue(0);
    v->setValue(0);

    // The window shows the stripes (two source pixels wide) standing apart;
    // upscaling a screen-sized copy would show flat grey there.
    const QImage shown = p.form->grab().toImage();
    const int y = 10 + 15; // the inner area starts at (10, 10); source row 30
    int sharp = 0;
    for (int x = 10 + 21; x < 10 + 215; ++x)
        sharp += qAbs(qGray(shown.pixel(x, y)) - qGray(shown.pixel(x - 1, y))) > 150;
    QVERIFY2(sharp > 150, qPrintable(QString::number(sharp)));

    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(100, 130));
    QTest::mouseMove(canvas, QPoint(50, 90));
    // The canvas follows the pointer by (-50, -40) pixels, the bars with it.
    QCOMPARE(canvas->pos(), QPoint(-50, -40));
    QCOMPARE(h->value(), 75);
    QCOMPARE(v->value(), 60);
    // Released where it was dropped.
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(100, 130));
    QCOMPARE(canvas->pos(), QPoint(-50, -40));
    QCOMPARE(h->value(), 75);
    // Moving without a button held never moves it.
    QTest::mouseMove(canvas, QPoint(10, 10));
    QCOMPARE(canvas->pos(), QPoint(-50, -40));

    h->setValue(171);
    v->setValue(685);
    QCOMPARE(canvas->pos(), QPoint(-114, -457)); // -1710, -6850 twips

    // The next step would reach the cap: nothing changes.
    p.click("PushButton1");
    QCOMPARE(p.form->viewport().zoom(), 2.0f);
    QCOMPARE(canvas->geometry(), QRect(-114, -457, 736, 952));
    QCOMPARE(h->value(), 171);

    // The wheel: three lines of 40 pixels a notch, Shift across; the arrow
    // keys a line on the focused viewport.
    auto wheel = [&](int degrees8, Qt::KeyboardModifiers modifiers) {
        QWheelEvent turn(QPointF(300, 200), canvas->mapToGlobal(QPointF(300, 200)), QPoint(), QPoint(0, degrees8),
                         Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(canvas, &turn);
    };
    wheel(120, {});
    QCOMPARE(v->value(), 685 - 180);
    wheel(120, Qt::ShiftModifier);
    QCOMPARE(h->value(), 0);
    p.child("Picture2")->setFocus();
    QTest::keyClick(p.child("Picture2"), Qt::Key_Down);
    QCOMPARE(v->value(), 685 - 120);
    QCOMPARE(canvas->pos(), QPoint(0, -377)); // -5650 twips
    // Ctrl+wheel towards the user zooms out about the pointer.
    wheel(-120, Qt::ControlModifier);
    QCOMPARE(p.form->viewport().zoom(), 1.75f);
    QVERIFY(p.messages.boxes().isEmpty());
}

void tst_Form2::pointerFeedback()
{
    {
        Preview p;
        p.showSheet();
        QTest::mouseMove(p.child("PushButton6"), QPoint(20, 10));
        QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Custom);
        QVERIFY(!p.form->pointer().hasCustomCursor()); // no HAND-M.CUR beside the tests
        QTest::mouseMove(p.child("Frame1"), QPoint(5, 50));
        QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Default);
        // A repaint sets the default pointer.
        QTest::mouseMove(p.child("PushButton1"), QPoint(20, 10));
        QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Custom);
        p.form->PushButton1_Click();
        QCOMPARE(p.form->pointer().kind(), PointerKind::Default);
        QVERIFY(p.messages.boxes().isEmpty()); // a missing HAND-M.CUR is no failure
    }

    // The test program's own folder stands in for the program folder.
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR");
    QVERIFY(!QFile::exists(path));
    const auto removeIt = qScopeGuard([&] { QFile::remove(path); });
    WriteFileBytes(path, "not a cursor at all");
    {
        Preview p;
        const auto reports = p.messages.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports[0].text.contains(QStringLiteral("in Parcelwise2021/08/31.Form2.Form_Load at line 110")));
        QVERIFY(!p.form->pointer().hasCustomCursor());
    }
    QFile::remove(path);
    QVERIFY(QFile::copy(QStringLiteral(PARCELON_HAND_CURSOR_FILE), path));
    {
        Preview p;
        QVERIFY(p.messages.boxes().isEmpty());
        p.showSheet();
        QTest::mouseMove(p.child("PushButton8"), QPoint(20, 10));
        QTRY_COMPARE(p.form->pointer().kind(), PointerKind::Custom);
        QTRY_COMPARE(p.form->cursor().shape(), Qt::BitmapCursor);
    }
}

void tst_Form2::closeDeletesTheDocumentAndEndsTheProgram()
{
    Preview p;
    p.showSheet();
    QVERIFY(p.form->close()); // never cancelled
    QVERIFY(!QFile::exists(p.form->mWordFile));
    QCOMPARE(p.exit.calls, 1);
    QVERIFY(p.messages.boxes().isEmpty());
}

void tst_Form2::save_data()
{
    QTest::addColumn<QString>("name");        // empty: the dialog is cancelled
    QTest::addColumn<QByteArray>("existing"); // null: no such file
    QTest::addColumn<int>("answer");          // to the overwrite question
    QTest::addColumn<bool>("saved");

    const int yes = int(BoxAnswer::Yes), no = int(BoxAnswer::No);
    QTest::newRow("cancelled") << QString() << QByteArray() << yes << false;
    QTest::newRow("existing, No") << "labels.doc" << QByteArray("keep me") << no << false;
    QTest::newRow("existing, Yes") << "labels.doc" << QByteArray(200000, 'o') << yes << true;
    QTest::newRow("without extension") << "labels" << QByteArray() << yes << true;
}

void tst_Form2::save()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, existing);
    QFETCH(int, answer);
    QFETCH(bool, saved);

    Preview p;
    p.showSheet();
    const QString target = name.isEmpty() ? QString() : home(name);
    if (!existing.isNull())
        WriteFileBytes(target, existing);
    p.saveDialog.answers = {target};
    p.messages.scriptAnswers({BoxAnswer(answer)});
    p.click("PushButton6");

    QCOMPARE(p.saveDialog.titles, QStringList{QStringLiteral("Save File")});
    QCOMPARE(p.saveDialog.filters, QStringList{QStringLiteral("Word Files (*.doc)")});
    if (!target.isEmpty())
        QCOMPARE(ReadFileBytes(target), saved ? p.document : existing);
    // Saved as typed, no extension added, nothing left beside it.
    QCOMPARE(homeFiles(), saved || !existing.isNull() ? QStringList{name} : QStringList());
    QCOMPARE(ReadFileBytes(p.form->mWordFile), p.document);

    // "Done." only when a file was written.
    const auto boxes = p.messages.boxes();
    QCOMPARE(boxes.size(), int(!existing.isNull()) + int(saved));
    if (!existing.isNull()) {
        QCOMPARE(boxes[0].text, QStringLiteral("Are you sure you wish to overwrite ") + target + QStringLiteral(" ?"));
        QCOMPARE(boxes[0].style, BoxStyle::YesNo);
    }
    if (!saved)
        return;
    QCOMPARE(boxes.last().text, QStringLiteral("Done."));
    QCOMPARE(boxes.last().style, BoxStyle::Information);
    QCOMPARE(boxes.last().title, AppInfo::applicationTitle());
}

void tst_Form2::saveFailureKeepsTheOldFile()
{
    Preview p;
    p.showSheet();
    const QString target = home(QStringLiteral("labels.doc"));
    WriteFileBytes(target, "the only copy of last week's labels");
    QFile::remove(p.form->mWordFile); // the temporary document went missing
    p.saveDialog.answers = {target, home(QStringLiteral("fresh.doc"))};
    p.messages.scriptAnswers({BoxAnswer::Yes});
    p.click("PushButton6");
    QCOMPARE(ReadFileBytes(target), QByteArray("the only copy of last week's labels"));
    const auto reports = p.messages.errorReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].text.contains(QStringLiteral("\r\n") + kSaveTag + QStringLiteral("at line 130\r\r")));
    QCOMPARE(p.messages.boxes().size(), 2); // question, report: no "Done." after a failure

    // A new name: no partial file is left.
    p.click("PushButton6");
    QCOMPARE(homeFiles(), QStringList{QStringLiteral("labels.doc")});

    // The dialog itself failing is reported, and that is all.
    p.messages.clear();
    p.saveDialog.fail = true;
    p.click("PushButton6");
    QCOMPARE(p.messages.boxes().size(), 1);
    QVERIFY(p.messages.boxes()[0].text.contains(kSaveTag + QStringLiteral("at line 112")));
}

void tst_Form2::saveTwice()
{
    Preview p;
    p.showSheet();
    p.saveDialog.answers = {home(QStringLiteral("one.doc")), home(QStringLiteral("two.doc"))};
    p.click("PushButton6", 2);
    QCOMPARE(ReadFileBytes(home(QStringLiteral("one.doc"))), p.document);
    QCOMPARE(ReadFileBytes(home(QStringLiteral("two.doc"))), p.document);
    QCOMPARE(ReadFileBytes(p.form->mWordFile), p.document); // lives until the user leaves
    QCOMPARE(p.messages.boxes().size(), 2);
}

PARCELON_TEST_MAIN(tst_Form2)
#include "tst_form2.moc"
