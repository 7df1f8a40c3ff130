#include "address/ListColumns.h"
#include "app/Form1.h"
#include "app/QtSeams.h"
#include "core/AppInfo.h"
#include "core/GeneratedDocuments.h"
#include "core/ProgramFolder.h"
#include "core/SettingsIni.h"
#include "core/SettingsStore.h"
#include "core/TerminationSignals.h"
#include "labels/LabelGeneration.h"
#include "preview/Form2.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/NamedChild.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <QMimeData>
#include <QScopeGuard>

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace {
const QStringList kSamples = {
    "Quillmark",     "Dana Whitcombe",   "123 Elm Street", "Elmsworth", "NH",   "03100", "Harborline Seafood Co.",
    "Jordan Ellery", "1200 Harbor Loop", "Bayport",        "TX",        "77500"};

const QByteArray kShippedCursor = ReadFileBytes(u"" PARCELON_SOURCE_DIR "/resources/HAND-M.CUR"_s);
const QByteArray kExampleSkin = ReadFileBytes(u"" PARCELON_SOURCE_DIR "/skins/example/o.cjs"_s);

// Every seam answered by a test double, and the window under test.
struct Fixture : FakeServices
{
    std::unique_ptr<Form1> form;

    explicit Fixture(double draw = 0.5)
    {
        random.values = {draw};
        form = std::make_unique<Form1>(services);
    }
    Form1 &loaded()
    {
        form->Form_Load();
        return *form;
    }
};

QString stored(int field)
{
    return SettingsStore().read(u"Text%1"_s.arg(field), u"<missing>"_s);
}

// An office that answers nobody until it is let go, and then fails: a
// list's sheets stay "being made" for as long as the test needs.
struct HeldEngine : EngineFactory
{
    std::atomic<bool> released{false};
    std::unique_ptr<WordApplication> createApplication() override
    {
        while (!released)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        throw EngineError(u"The office went away"_s);
    }
};

// What label generation leaves in the temporary folder.
QStringList generatedFiles()
{
    FinishPreviewFiles();
    return QDir(TestEnvironment::temp()).entryList({u"qmtemp*"_s, u"template.dot"_s, u"temp.bmp"_s});
}

void moveOver(QWidget *widget)
{
    const QPointF local(widget->width() / 2.0, 2);
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}
} // namespace

class tst_Form1 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_programFolder;

private slots:
    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmark", "Quillmark").clear();
        m_programFolder = std::make_unique<QTemporaryDir>(TestEnvironment::temp() + "/program-XXXXXX");
        OverrideProgramFolder(m_programFolder->path());
        AppInfo::setApplicationTitle(u"not set yet"_s);
    }

    void cleanup()
    {
        OverrideProgramFolder(QString());
        m_programFolder.reset();
        qApp->setStyleSheet(QString());
    }

    void layoutAsLoaded()
    {
        Fixture f;
        Form1 &form = *f.form;
        QCOMPARE(form.size(), QSize(536, 605));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        // Positions in twips, as the layout was drawn: 15 to the pixel.
        const struct
        {
            const char *name, *container;
            QRect twips;
            const char *caption;
        } controls[] = {{"PushButton6", "Form1", {120, 120, 7800, 405}, "Start Creating Template"},
                        {"PushButton3", "Form1", {4080, 630, 3840, 405}, "Load Sample/Example Data"},
                        {"Frame8", "Form1", {120, 1110, 7800, 3885}, "Sender"},
                        {"Frame5", "Frame8", {4920, 2880, 1095, 825}, "State"},
                        {"Text5", "Frame5", {240, 300, 615, 345}, ""},
                        {"Frame14", "Frame7", {240, 240, 7335, 825}, "Company"},
                        {"Frame9", "Frame7", {6120, 2880, 1455, 825}, "Zip Code"},
                        {"Text12", "Frame9", {240, 300, 975, 345}, ""}};
        for (const auto &c : controls) {
            auto *control = form.findChild<QWidget *>(c.name);
            QVERIFY2(control, c.name);
            QCOMPARE(control->parentWidget()->objectName(), QString(c.container));
            const QRect &t = c.twips;
            QCOMPARE(control->geometry(), QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15));
            if (auto *button = qobject_cast<QPushButton *>(control))
                QCOMPARE(button->text(), QString(c.caption));
            if (auto *frame = qobject_cast<QGroupBox *>(control))
                QCOMPARE(frame->title(), QString(c.caption));
        }

        QCOMPARE(form.font().family(), u"Arial"_s);
        QCOMPARE(form.font().pointSizeF(), 9.0);
        QVERIFY(form.font().bold());
        // fonts-liberation2 stands in for Arial with the same metrics.
        QVERIFY(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(form.font()).family()));
        for (QPushButton *button :
             {NamedChild<QPushButton>(form, "PushButton6"), NamedChild<QPushButton>(form, "PushButton1"),
              NamedChild<QPushButton>(form, "PushButton3")}) {
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QVERIFY(button->font().bold());
            QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
        }
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
        const QList<QGroupBox *> frames = form.findChildren<QGroupBox *>();
        QCOMPARE(frames.size(), 14);
        for (QGroupBox *frame : frames) {
            QCOMPARE(frame->palette().color(QPalette::Window), QColor(Qt::white));
            QVERIFY(frame->autoFillBackground());
        }
        // Screen readers tell the sender's fields from the recipient's.
        QSet<QString> names;
        for (int n = 1; n <= 12; ++n) {
            const QString name = form.field(n)->accessibleName();
            const QString caption = qobject_cast<QGroupBox *>(form.field(n)->parentWidget())->title();
            QVERIFY2(name.startsWith(n <= 6 ? "Sender "_L1 : "Recipient "_L1), qPrintable(name));
            QVERIFY2(name.endsWith(caption, Qt::CaseInsensitive), qPrintable(name));
            names.insert(name);
        }
        QCOMPARE(names.size(), 12);
    }

    // Centred, Text1 focused and selected, Tab through the fields then the
    // buttons; only keyboard focus selects the whole text.
    void startCentresFocusesAndSelects()
    {
        Fixture f;
        Form1 &form = *f.form;
        QVERIFY(StartMainWindow(form));
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QPoint screenCentre = form.screen()->availableGeometry().center();
        QVERIFY((form.geometry().center() - screenCentre).manhattanLength() <= 2);
        QCOMPARE(QApplication::focusWidget(), form.field(1));
        QTRY_COMPARE(form.field(1)->selectedText(), u"Quillmark"_s);
        QStringList order;
        for (int i = 0; i < 15; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order,
                 QStringList({"Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "Text10",
                              "Text11", "Text12", "PushButton6", "PushButton1", "PushButton3", "Text1"}));
        QTest::keyClick(form.field(1), Qt::Key_Tab);
        QCOMPARE(form.field(2)->selectedText(), u"Dana Whitcombe"_s);
        QTest::keyClicks(form.field(2), u"Lee"_s);
        QCOMPARE(stored(2), u"Lee"_s);
        // Keys typed at once land after the selection, not under a later one.
        QCoreApplication::processEvents();
        QTest::keyClick(form.field(2), Qt::Key_A);
        QCOMPARE(stored(2), u"Leea"_s);

        // Shift+Tab selects too; a click places the cursor where it lands.
        QTest::keyClick(form.field(2), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(form.field(1)->selectedText(), u"Quillmark"_s);
        QTest::mouseClick(form.field(9), Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
        QCOMPARE(QApplication::focusWidget(), form.field(9));
        QVERIFY(!form.field(9)->hasSelectedText());
        const int caret = form.field(9)->cursorPosition();
        QVERIFY(caret > 0 && caret < 16);
        QTest::keyClick(form.field(9), Qt::Key_X);
        QCOMPARE(stored(9), u"1200 Harbor Loop"_s.insert(caret, u'x'));

        // Leaving the window and coming back keeps the cursor and the
        // selection: the next key neither wipes nor lands elsewhere.
        form.field(9)->setSelection(2, 3);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.field(9));
        QCOMPARE(form.field(9)->selectionStart(), 2);
        QCOMPARE(form.field(9)->selectionLength(), 3);
        QTest::keyClick(form.field(9), Qt::Key_7);
        QCOMPARE(stored(9), u"1200 Harbor Loop"_s.insert(caret, u'x').replace(2, 3, u"7"_s));
    }

    // First starts with program files present or not: whatever fails is
    // reported at its step and the start-up goes on to the end.
    void firstStart_data()
    {
        QTest::addColumn<QString>("file"); // a trailing slash makes a folder of that name
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("opensSite");
        QTest::addColumn<int>("reportedAt"); // 0: nothing reported
        QTest::newRow("no files") << QString() << QByteArray() << false << 0;
        QTest::newRow("shipped cursor") << "HAND-M.CUR" << kShippedCursor << false << 0;
        QTest::newRow("unreadable cursor") << "HAND-M.CUR" << QByteArray("GIF89a not a cursor") << false << 124;
        QTest::newRow("folder as skin") << "x/o.cjs/" << QByteArray() << false << 0;
        QTest::newRow("valid skin") << "x/o.cjs" << kExampleSkin << false << 0;
        QTest::newRow("invalid skin") << "x/o.cjs" << QByteArray("QWidget { color: red;") << false << 100;
        QTest::newRow("site cannot open") << QString() << QByteArray() << true << 126;
    }

    void firstStart()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, opensSite);
        QFETCH(int, reportedAt);
        const QString path = m_programFolder->filePath(file);
        if (!file.isEmpty())
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        if (!bytes.isEmpty()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        }
        Fixture f(opensSite ? 0.06 : 0.5);
        f.urlOpener.fail = opensSite;
        Form1 &form = f.loaded();

        QCOMPARE(f.messages.boxes().size(), reportedAt ? 1 : 0);
        if (reportedAt)
            QVERIFY(f.messages.errorReports().first().text.contains(
                u"\r\nin Parcelwise2021/08/31.Form1.Form_Load at line %1\r\r"_s.arg(reportedAt)));
        if (reportedAt == 100)
            QVERIFY(f.messages.errorReports().first().text.contains(u"not a valid style sheet"_s));
        for (int n = 1; n <= 12; ++n) { // the first start writes all twelve defaults
            QCOMPARE(form.field(n)->text(), kSamples.at(n - 1));
            QCOMPARE(stored(n), kSamples.at(n - 1));
        }
        QVERIFY(!form.shouldEnd());
        QCOMPARE(f.engines.liveApplications, 0); // the engine check leaves no instance behind
        QCOMPARE(form.windowTitle(), u"Parcelon"_s);
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(AppInfo::applicationTitle(), u"Parcelon"_s);
        QVERIFY(!form.isVisible());

        const bool cursor = file == u"HAND-M.CUR"_s && !reportedAt;
        QCOMPARE(form.pointer().hasCustomCursor(), cursor);
        moveOver(NamedChild<QPushButton>(form, "PushButton6")); // the custom kind shows the arrow when it has no image
        QCOMPARE(form.pointer().kind(), PointerKind::Custom);
        QCOMPARE(form.cursor().shape(), cursor ? Qt::BitmapCursor : Qt::ArrowCursor);
        if (cursor)
            QCOMPARE(form.cursor().hotSpot(), QPoint(11, 1));

        // Any skin file recolours the window first; without one nothing changes.
        const bool skinFile = file == u"x/o.cjs"_s;
        QCOMPARE(NamedChild<QGroupBox>(form, "Frame8")->palette().color(QPalette::Window) != QColor(Qt::white),
                 skinFile);
        QCOMPARE(form.skin().isLoaded(), skinFile && !reportedAt);
        QCOMPARE(form.styleSheet(), form.skin().isLoaded() ? QString::fromUtf8(bytes) : QString());
    }

    // The user's switch in the settings (none: on) and the packager's build option.
    void visitsTheSiteOnlyOnADrawOfSeven_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("wanted");
        QTest::newRow("no setting") << QString() << true;
        QTest::newRow("true") << u"true"_s << true;
        QTest::newRow("false") << u"false"_s << false;
        QTest::newRow("Off, spaced") << u" Off "_s << false;
        QTest::newRow("0") << u"0"_s << false;
        QTest::newRow("1") << u"1"_s << true;
    }

    void visitsTheSiteOnlyOnADrawOfSeven()
    {
        QFETCH(QString, setting);
        QFETCH(bool, wanted);
        if (!setting.isNull())
            QVERIFY(SettingsStore().write(u"VisitVendorSite"_s, setting));
        for (const double uniform : {0.0599999, 0.06, 0.0699999, 0.07}) {
            Fixture f(uniform);
            f.loaded();
            QCOMPARE(f.random.draws, 1);
            const bool seven = uniform >= 0.06 && uniform < 0.07;
            QCOMPARE(f.urlOpener.opened,
                     seven && wanted && AppInfo::kVendorSiteVisits
                         ? QList<QUrl>{QUrl(u"https://www.quillmark.example/"_s)}
                         : QList<QUrl>{});
        }
        // Read, never written: the switch stays as the user left it (or missing).
        QCOMPARE(SettingsIni(ReadFileBytes(SettingsStore().fileName()), u"Parcelon"_s).value(u"VisitVendorSite"_s),
                 setting.isNull() ? std::nullopt : std::optional<QString>(setting));
    }

    void withoutAnEngineTheProgramEndsUnseen()
    {
        Fixture f;
        f.engines.failOn(u"create"_s, 0, u"soffice.bin not found"_s);
        QVERIFY(!StartMainWindow(*f.form));
        QVERIFY(f.form->shouldEnd());
        QVERIFY(!f.form->isVisible());
        QVERIFY(!f.messages.boxes().isEmpty());       // the check said why
        QVERIFY(f.messages.errorReports().isEmpty()); // ... in its own words
        QCOMPARE(f.engines.liveApplications, 0);
    }

    void closingEndsTheProgramEvenWithThePreviewLoaded()
    {
        Fixture f;
        Form1 &form = f.loaded();
        form.setPreviewPicture(QImage(10, 10, QImage::Format_RGB32));
        form.setPreviewWordFile(u"/tmp/x.doc"_s);
        QCOMPARE(form.previewWindow()->mWordFile, u"/tmp/x.doc"_s);
        form.show();
        QVERIFY(form.close());
        QCOMPARE(f.exit.calls, 1);
    }

    // Stored values, empty ones too, come back; every change is stored whole
    // at once; sample data replaces all fields and is itself stored.
    void restoreTypeAndSampleData()
    {
        SettingsStore store;
        store.write(u"Text2"_s, QString());
        store.write(u"Text8"_s, u"Zoë Ångström 東京"_s);
        Fixture f;
        Form1 &form = f.loaded();
        QCOMPARE(form.field(2)->text(), QString());
        QCOMPARE(form.field(8)->text(), u"Zoë Ångström 東京"_s);
        QCOMPARE(form.field(9)->text(), u"1200 Harbor Loop"_s);
        QCOMPARE(stored(2), QString());

        form.field(8)->clear();
        QTest::keyClicks(form.field(8), u"Ava"_s);
        QCOMPARE(stored(8), u"Ava"_s);
        QTest::keyClick(form.field(8), Qt::Key_Backspace);
        QCOMPARE(stored(8), u"Av"_s);
        const QString longText(100000, QLatin1Char('x')); // far past QLineEdit's usual limit
        form.field(3)->setText(longText);
        QCOMPARE(stored(3), longText);

        NamedChild<QPushButton>(form, "PushButton3")->click();
        NamedChild<QPushButton>(form, "PushButton3")->click(); // twice is the same as once
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(stored(n), kSamples.at(n - 1));
        QVERIFY(f.messages.boxes().isEmpty());
        Fixture again;
        QCOMPARE(again.loaded().field(2)->text(), u"Dana Whitcombe"_s);
    }

    // Ctrl+Z in a field takes the sample data back, until something is typed.
    void sampleDataUndo()
    {
        Fixture f;
        Form1 &form = f.loaded();
        form.field(8)->setText(u"Ada Lovelace"_s);
        form.field(2)->clear();
        QTest::mouseClick(NamedChild<QPushButton>(form, "PushButton3"), Qt::LeftButton);
        QCOMPARE(stored(8), kSamples[7]);
        QTest::keyClick(form.field(5), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(stored(8), u"Ada Lovelace"_s);
        QCOMPARE(stored(2), QString());
        QCOMPARE(stored(9), kSamples[8]); // as it was before the click

        QTest::mouseClick(NamedChild<QPushButton>(form, "PushButton3"), Qt::LeftButton);
        form.field(3)->setFocus();
        QTest::keyClicks(form.field(3), u"x"_s);
        QTest::keyClick(form.field(3), Qt::Key_Z, Qt::ControlModifier); // the field's own undo
        QTest::keyClick(form.field(3), Qt::Key_Z, Qt::ControlModifier); // nothing left to undo
        QCOMPARE(stored(3), kSamples[2]);
        QCOMPARE(stored(8), kSamples[7]);
    }

    void pointerFollowsTheMouseAndBusyOverridesAll()
    {
        QFile cursor(m_programFolder->filePath(u"HAND-M.CUR"_s));
        QVERIFY(cursor.open(QIODevice::WriteOnly) && cursor.write(kShippedCursor) > 0);
        cursor.close();
        Fixture f;
        Form1 &form = f.loaded();
        form.show();
        QCOMPARE(form.pointer().kind(), PointerKind::Default);
        // Text2 .. Text12 change nothing; Text1, the frames and the window are surface.
        const QList<std::pair<QWidget *, PointerKind>> path = {
            {NamedChild<QPushButton>(form, "PushButton6"), PointerKind::Custom},
            {form.field(5), PointerKind::Custom},
            {NamedChild<QGroupBox>(form, "Frame3"), PointerKind::Default},
            {NamedChild<QPushButton>(form, "PushButton1"), PointerKind::Custom},
            {form.field(1), PointerKind::Default},
            {NamedChild<QPushButton>(form, "PushButton3"), PointerKind::Custom},
            {&form, PointerKind::Default}};
        for (const auto &[widget, kind] : path) {
            moveOver(widget);
            QCOMPARE(form.pointer().kind(), kind);
            QCOMPARE(form.cursor().shape(), kind == PointerKind::Custom ? Qt::BitmapCursor : Qt::ArrowCursor);
        }

        form.setBusyPointer();
        // The text boxes keep an I-beam of their own; the hourglass must win
        // over it, but not over a box raised meanwhile.
        QCOMPARE(form.field(7)->cursor().shape(), Qt::WaitCursor);
        QVERIFY(!QGuiApplication::overrideCursor());
        for (QWidget *w : std::initializer_list<QWidget *>{NamedChild<QPushButton>(form, "PushButton6"),
                                                           NamedChild<QGroupBox>(form, "Frame9"), form.field(1)}) {
            moveOver(w);
            QCOMPARE(form.pointer().kind(), PointerKind::Busy);
            QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        }
        form.setDefaultPointer();
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(form.field(7)->cursor().shape(), Qt::IBeamCursor);
        moveOver(NamedChild<QPushButton>(form, "PushButton6"));
        QCOMPARE(form.pointer().kind(), PointerKind::Custom);
    }

    // A second click that the window system queued while a generation ran
    // is delivered after the work: it must still do nothing, and "< Back"
    // leaves no document.
    void clickQueuedDuringAGenerationDoesNothing()
    {
        Fixture f;
        f.engines.clipboard = &f.clipboard;
        Form1 &form = *f.form;
        QVERIFY(StartMainWindow(form));
        // Once, during the first generation's work, a click is queued on the button.
        QPushButton *button = NamedChild<QPushButton>(form, "PushButton6");
        f.random.beforeDraw = [&button] {
            if (!button)
                return;
            const QPointF at(button->width() / 2.0, button->height() / 2.0);
            for (auto [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                         std::pair{QEvent::MouseButtonRelease, Qt::NoButton}})
                QCoreApplication::postEvent(
                    button,
                    new QMouseEvent(type, at, button->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier));
            button = nullptr;
        };
        // The digits 1 to 8, then 9s: a second generation would draw another name.
        f.random.values.clear();
        for (int k = 0; k < 9; ++k)
            f.random.values << (k + 0.5) / 9;
        QTest::mouseClick(NamedChild<QPushButton>(form, "PushButton6"), Qt::LeftButton);
        QTest::qWait(50);

        QCOMPARE(f.engines.createdApplications, 1 + 2); // the start-up check, then one fill and one picture
        QCOMPARE(generatedFiles(), QStringList({u"qmtemp12345678.doc"_s, u"qmtemp12345678.doc.owner"_s}));
        QVERIFY(form.previewWindow()->isVisible());
        QVERIFY(!form.mBusy);
        form.previewWindow()->PushButton8_Click();
        QCOMPARE(generatedFiles(), QStringList());
    }

    // SIGTERM while a box is open ends the program as a closed window does:
    // no later box, no window, no office, no document.
    void signalDuringABoxEndsTheProgram_data()
    {
        QTest::addColumn<bool>("duringGeneration");
        QTest::newRow("start-up report") << false;
        QTest::newRow("generation report") << true;
    }

    void signalDuringABoxEndsTheProgram()
    {
        QFETCH(bool, duringGeneration);
        if (!duringGeneration) { // reports at steps 100 and 124
            WriteFileBytes(m_programFolder->filePath(u"x/o.cjs"_s), "QWidget { color: red;");
            WriteFileBytes(m_programFolder->filePath(u"HAND-M.CUR"_s), "GIF89a not a cursor");
        }
        QtProgramExit exit;
        QtMessageBoxes boxes(exit);
        QtSaveDialog saveDialog(exit);
        ScriptedPrintDialog printDialog;
        ScriptedOpenDialog openDialog;
        ScriptedPlacementDialog placementDialog;
        RecordingUrlOpener urlOpener;
        ScriptedRandom random;
        random.values = {0.5};
        ScriptedClipboard clipboard;
        FakeEngine engines;
        engines.clipboard = &clipboard;
        engines.failOn(u"execute"_s); // eight reports in a generation
        Services services{.messages = boxes,
                          .saveDialog = saveDialog,
                          .openDialog = openDialog,
                          .printDialog = printDialog,
                          .placementDialog = placementDialog,
                          .urlOpener = urlOpener,
                          .random = random,
                          .clipboard = clipboard,
                          .engines = engines,
                          .exit = exit};
        TerminationSignals terminations([&exit] { exit.endProgram(); });
        struct SignalOnFirstBox : QObject
        {
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Show && qobject_cast<QMessageBox *>(watched) && ++shown == 1)
                    ::raise(SIGTERM);
                return false;
            }
            int shown = 0;
        } watcher;
        qApp->installEventFilter(&watcher);
        Form1 form(services);
        QTimer::singleShot(0, &form, [&] {
            if (duringGeneration)
                NamedChild<QPushButton>(form, "PushButton6")->click();
        });
        QTimer guard; // should the program not end, the test does
        guard.callOnTimeout([] { QCoreApplication::exit(99); });
        guard.start(60000);

        const int status = RunMainWindow(form);
        guard.stop();
        qApp->removeEventFilter(&watcher);
        QCOMPARE(status, 0);
        QCOMPARE(watcher.shown, 1);
        QVERIFY(!form.isVisible());
        QVERIFY(!form.previewWindow() || !form.previewWindow()->isVisible());
        QCOMPARE(engines.createdApplications, duringGeneration ? 3 : 0);
        QCOMPARE(engines.liveApplications, 0);
        QCOMPARE(generatedFiles(), QStringList());
        // An end asked for outside the main loop stays pending in Qt until a
        // main loop runs: let one run, so that later tests start clean.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }

    void helpShowsTheExactText()
    {
        Fixture f;
        // Return presses the focused button, as Space does.
        QTest::keyClick(NamedChild<QPushButton>(f.loaded(), "PushButton1"), Qt::Key_Return);
        QTest::keyClick(NamedChild<QPushButton>(*f.form, "PushButton1"), Qt::Key_Space);
        QCOMPARE(f.messages.boxes().size(), 2);
        const auto &box = f.messages.boxes().first();
        QCOMPARE(box.style, BoxStyle::Information);
        QCOMPARE(box.title, u"Parcelon"_s);
        QCOMPARE(box.text,
                 u"These labels are 4 x 3-1/3 inches and work with Avery 5164, 5264, 5524, 5664, "
                 "8164, 8254, and 8464.\r\n\r\nAddress lists (CSV, tab-separated or spreadsheets, shops' exports too): "
                 "Ctrl+O or a right click beside the fields opens one, and so does a list file dropped on the "
                 "window. In the preview, Page Down and Page Up go through the sheets, Ctrl+P prints them, "
                 "Ctrl+Shift+S saves them as a PDF, and Ctrl+L prints the typed address on chosen labels of a "
                 "used sheet.\r\n\r\nQuestions? Please contact Team Quillmark at "
                 "https://www.quillmark.example/contact"_s);
    }

    // A right click beside the fields, on the window or inside a frame, offers the list.
    void backgroundMenu()
    {
        Fixture f;
        Form1 &form = *f.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (QWidget *where : {static_cast<QWidget *>(&form), static_cast<QWidget *>(form.findChild<QGroupBox *>())}) {
            QString offered;
            QSet<QString> named;
            QTimer::singleShot(0, &form, [&offered, &named] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    offered = menu->actions().value(0)->text() + u' ' + menu->actions().value(0)->shortcut().toString();
                    for (const QAction *action : menu->actions()) {
                        if (!action->isSeparator() && !action->isEnabled())
                            named << action->text() + u' ' + action->shortcut().toString();
                    }
                    menu->close();
                }
            });
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), where->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(where, &click);
            QCOMPARE(offered, u"Open Address List... Ctrl+O"_s);
            // It names the preview's entries for a list's sheets with their keys, as the preview binds them.
            form.preparePreview();
            QSet<QString> bound;
            for (const QAction *action : form.previewWindow()->actions())
                bound << action->text() + u' ' + action->shortcut().toString();
            QCOMPARE(named, bound);
        }
    }

    // A list that cannot be read is one box naming its line, and nothing
    // else happens; a list dropped while sheets are being made is refused,
    // and one whose sheets cannot be made leaves the window as it was.
    void addressLists()
    {
        const QString header = u"recipient_company,recipient_name,recipient_street,recipient_city,recipient_state,"
                               "recipient_zip\n"_s;
        const QString bad = TestEnvironment::temp() + u"/bad.csv"_s;
        WriteFileBytes(bad, (header + u"A,B,C,D,E,F\nA,B,C\n"_s).toUtf8());
        const QString good = TestEnvironment::temp() + u"/good.csv"_s;
        WriteFileBytes(good, (header + u"A,B,C,D,E,F\nG,H,I,J,K,L\n"_s).toUtf8());

        HeldEngine engines;
        // However the test ends, the sheets' worker is let go before the window waits for it.
        const auto release = qScopeGuard([&] { engines.released = true; });
        ScriptedServices seams(engines);
        Form1 form(seams.services); // no start-up: its engine check would wait for the office
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int n = 1; n <= 12; ++n)
            form.field(n)->setText(n == 8 ? u"Ada Lovelace"_s : kSamples[n - 1]);

        seams.openDialog.answers = {bad};
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(seams.messages.boxes().size(), 1);
        QCOMPARE(seams.messages.boxes()[0].text, bad + u", line 3: 3 fields, but the header names 6 columns"_s);
        QCOMPARE(seams.messages.boxes()[0].style, BoxStyle::Warning);
        QVERIFY(seams.placementDialog.asked.isEmpty());
        QVERIFY(!form.previewWindow());

        seams.placementDialog.answer = LabelChoice{4, 2, {}, {}};
        seams.openDialog.answers = {good};
        form.openListAction()->trigger();
        QCOMPARE(seams.placementDialog.asked, (QList<qsizetype>{2}));
        QVERIFY(form.previewWindow() && form.previewWindow()->isMakingSheets());
        QCOMPARE(form.previewWindow()->sheetCount(), 2); // labels 4..6, then 1
        QVERIFY(form.mBusy);

        // While busy, a list dropped on the window is refused to the source, and
        // keys and clicks aimed at the window are dropped, never applied later.
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(good)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.field(3), &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.field(3), &drop);
        QVERIFY(!drop.isAccepted());
        QTest::keyClicks(form.field(8), u"QQQ"_s);
        QTest::mouseClick(NamedChild<QPushButton>(form, "PushButton3"), Qt::LeftButton);
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(form.field(8)->text(), u"Ada Lovelace"_s);
        QCOMPARE(seams.messages.boxes().size(), 1);
        QCOMPARE(seams.placementDialog.asked.size(), 1);

        engines.released = true;
        QTRY_COMPARE(seams.messages.boxes().size(), 2);
        QCOMPARE(seams.messages.boxes()[1].text,
                 u"The sheets of the address list could not be made: The office went away"_s);
        QTRY_VERIFY(!form.mBusy);
        QVERIFY(form.isVisible());
        QVERIFY(!form.previewWindow()->isVisible());
        QVERIFY(!form.previewWindow()->isMakingSheets());
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(form.field(n)->text(), n == 8 ? u"Ada Lovelace"_s : kSamples[n - 1]);
        QTRY_COMPARE(QDir(TestEnvironment::temp()).entryList({u"parcelon-list.*"_s}, QDir::Dirs), QStringList());
        // Not busy: a drop is taken as a copy, even from a source that proposes a move.
        QDragEnterEvent again(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.field(3), &again);
        QVERIFY(again.isAccepted());
        QCOMPARE(again.dropAction(), Qt::CopyAction);

        // The same failure of a list dropped on the preview: back to the main window, which is not left busy.
        QImage page(850, 1100, QImage::Format_RGB32);
        page.fill(Qt::white);
        form.setPreviewPicture(page);
        form.showPreview();
        form.hideMain();
        QVERIFY(QTest::qWaitForWindowExposed(form.previewWindow()));
        form.OpenAddressList(good);
        QTRY_COMPARE(seams.messages.boxes().size(), 3);
        QTRY_VERIFY(form.isVisible());
        QVERIFY(!form.previewWindow()->isVisible());
        QVERIFY(!form.mBusy);
    }

    // A list whose column names are not known: the dialog offers its own
    // columns instead of a refusal, says what the labels will carry (the
    // sample sender, plainly), and the choice is kept for the same layout.
    void unknownColumnsArePickedInTheDialog()
    {
        const QString path = TestEnvironment::temp() + u"/odd.csv"_s;
        WriteFileBytes(path,
                       "Cust,Line A,Line B,Place,Code\nAda Xu,1 Elm St,Apt 2,Keene,3431\n"
                       "Bo Li,9 Oak Rd,,Derry,03038\n");
        HeldEngine engines;
        engines.released = true; // the sheets fail at once: the dialog is the point here
        ScriptedServices seams(engines);
        Form1 form(seams.services);
        form.show();
        for (int n = 1; n <= 12; ++n)
            form.field(n)->setText(kSamples[n - 1]);
        const QMap<int, QStringList> picked = {{AddressList::RecipientName, {u"Cust"_s}},
                                               {AddressList::RecipientStreet, {u"Line A"_s, u"Line B"_s}},
                                               {AddressList::RecipientCity, {u"Place"_s}},
                                               {AddressList::RecipientZip, {u"Code"_s}}};
        seams.placementDialog.pickColumns = picked;

        form.OpenAddressList(path);
        QCOMPARE(seams.placementDialog.pickings.size(), 1);
        QCOMPARE(seams.placementDialog.pickings[0].header, (QStringList{"Cust", "Line A", "Line B", "Place", "Code"}));
        QVERIFY(seams.placementDialog.pickings[0].chosen.isEmpty());
        const ListOverview &before = seams.placementDialog.overviews[0];
        QCOMPARE(before.addresses, 0);
        QVERIFY2(!before.problem.isEmpty() && !before.problem.contains(u"--map"_s), qPrintable(before.problem));
        const ListOverview &after = seams.placementDialog.overviews[1];
        QCOMPARE(after.addresses, 2);
        QVERIFY(after.sampleSender);
        QVERIFY2(after.sender.startsWith(kSamples[0]), qPrintable(after.sender));
        QVERIFY2(after.summary.contains(u"2 rows read: 2 addresses."_s), qPrintable(after.summary.join(u'|')));
        QVERIFY2(after.details.contains(u"leading zero"_s), qPrintable(after.details));
        // No notice box before the dialog: only the sheets' failure after it.
        QTRY_VERIFY(!form.mBusy);
        QCOMPARE(seams.messages.boxes().size(), 1);
        QVERIFY2(seams.messages.boxes()[0].text.endsWith(u"The office went away"_s),
                 qPrintable(seams.messages.boxes()[0].text));

        // The same layout again, with the user's own sender typed: the
        // columns come as picked, the sender as typed.
        form.field(1)->setText(u"Adebayo Pottery"_s);
        form.field(2)->setText(u"Rosa Adebayo"_s);
        form.field(3)->setText(u"4 Mill Rd"_s);
        seams.placementDialog.pickColumns.reset();
        form.OpenAddressList(path);
        QCOMPARE(seams.placementDialog.pickings.size(), 2);
        QCOMPARE(seams.placementDialog.pickings[1].chosen, picked);
        const ListOverview &again = seams.placementDialog.overviews[2];
        QCOMPARE(again.addresses, 2);
        QVERIFY(!again.sampleSender);
        QVERIFY2(again.sender.startsWith(u"Adebayo Pottery, Rosa Adebayo, 4 Mill Rd"_s), qPrintable(again.sender));
    }
};

PARCELON_TEST_MAIN(tst_Form1)
#include "tst_form1.moc"
