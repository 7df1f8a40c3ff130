#include "AppInfo.h"
#include "FakeEngine.h"
#include "Form1.h"
#include "Form2.h"
#include "ProgramFolder.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedSeams.h"
#include "SettingsStore.h"
#include "TestMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include <climits>
#include <memory>

namespace {
const QString kShippedCursor = QStringLiteral(PARCELON_SOURCE_DIR "/resources/HAND-M.CUR");
const QStringList kSamples = {"Quillmark",     "Dana Whitcombe",   "123 Elm Street",
                              "Elmsworth",     "NH",               "03100",
                              "Harborline Seafood Co.", "Jordan Ellery", "1200 Harbor Loop",
                              "Bayport",       "TX",               "77500"};

// Every seam answered by a test double.
struct Fixture
{
    RecordingMessageBoxes messages;
    ScriptedSaveDialog saveDialog;
    RecordingUrlOpener urlOpener;
    ScriptedRandom random;
    ScriptedClipboard clipboard;
    FakeEngine engines;
    RecordingProgramExit exit;
    Services services;

    Fixture()
    {
        random.values = {0.5};
        services.messages = &messages;
        services.saveDialog = &saveDialog;
        services.urlOpener = &urlOpener;
        services.random = &random;
        services.clipboard = &clipboard;
        services.engines = &engines;
        services.exit = &exit;
    }
};

QString stored(const QString &key)
{
    return SettingsStore().read(key, QStringLiteral("<missing>"));
}

void moveOver(QWidget *widget)
{
    const QPointF local(widget->width() / 2.0, 2);
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_programFolder;
    QString programFile(const QString &name) const { return m_programFolder->filePath(name); }

private slots:
    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmark"),
                  QStringLiteral("Quillmark"))
            .clear();
        m_programFolder = std::make_unique<QTemporaryDir>(TestEnvironment::temp()
                                                          + QStringLiteral("/program-XXXXXX"));
        OverrideProgramFolder(m_programFolder->path());
        AppInfo::setApplicationTitle(QStringLiteral("not set yet"));
    }

    void cleanup()
    {
        OverrideProgramFolder(QString());
        m_programFolder.reset();
        qApp->setStyleSheet(QString());
    }

    // --- layout -------------------------------------------------------------

    void layoutIsFixedAt536By605()
    {
        Fixture f;
        Form1 form(f.services);
        QCOMPARE(form.size(), QSize(536, 605));
        QCOMPARE(form.minimumSize(), QSize(536, 605));
        QCOMPARE(form.maximumSize(), QSize(536, 605));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    }

    void controlsSitWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        auto row = [](const char *name, const char *container, int l, int t, int w, int h,
                      const char *caption = "") {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                                << QRect(l, t, w, h) << QString::fromLatin1(caption);
        };
        row("PushButton6", "Form1", 120, 120, 7800, 405, "Start Creating Template");
        row("PushButton1", "Form1", 120, 630, 3840, 405, "Help");
        row("PushButton3", "Form1", 4080, 630, 3840, 405, "Load Sample/Example Data");
        row("Frame8", "Form1", 120, 1110, 7800, 3885, "Sender");
        row("Frame1", "Frame8", 240, 240, 7335, 825, "Company");
        row("Text1", "Frame1", 240, 300, 6855, 345);
        row("Frame2", "Frame8", 240, 1110, 7335, 825, "Name");
        row("Text2", "Frame2", 240, 300, 6855, 345);
        row("Frame3", "Frame8", 240, 2010, 7335, 825, "Street Address");
        row("Text3", "Frame3", 240, 300, 6855, 345);
        row("Frame4", "Frame8", 240, 2880, 4575, 825, "City");
        row("Text4", "Frame4", 240, 300, 4095, 345);
        row("Frame5", "Frame8", 4920, 2880, 1095, 825, "State");
        row("Text5", "Frame5", 240, 300, 615, 345);
        row("Frame6", "Frame8", 6120, 2880, 1455, 825, "Zip Code");
        row("Text6", "Frame6", 240, 300, 975, 345);
        row("Frame7", "Form1", 120, 5070, 7800, 3885, "Recipient");
        row("Frame14", "Frame7", 240, 240, 7335, 825, "Company");
        row("Text7", "Frame14", 240, 300, 6855, 345);
        row("Frame13", "Frame7", 240, 1110, 7335, 825, "Name");
        row("Text8", "Frame13", 240, 300, 6855, 345);
        row("Frame12", "Frame7", 240, 2010, 7335, 825, "Street Address");
        row("Text9", "Frame12", 240, 300, 6855, 345);
        row("Frame11", "Frame7", 240, 2880, 4575, 825, "City");
        row("Text10", "Frame11", 240, 300, 4095, 345);
        row("Frame10", "Frame7", 4920, 2880, 1095, 825, "State");
        row("Text11", "Frame10", 240, 300, 615, 345);
        row("Frame9", "Frame7", 6120, 2880, 1455, 825, "Zip Code");
        row("Text12", "Frame9", 240, 300, 975, 345);
    }

    void controlsSitWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        Fixture f;
        Form1 form(f.services);
        auto *control = form.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15,
                                            twips.height() / 15));
        if (auto *button = qobject_cast<QPushButton *>(control))
            QCOMPARE(button->text(), caption);
        if (auto *frame = qobject_cast<QGroupBox *>(control)) {
            QCOMPARE(frame->title(), caption);
            QCOMPARE(frame->focusPolicy(), Qt::NoFocus);
        }
        if (auto *edit = qobject_cast<QLineEdit *>(control)) {
            QVERIFY(edit->text().isEmpty()); // text boxes start empty
            QCOMPARE(edit->maxLength(), INT_MAX);
        }
    }

    void fontsAndColours()
    {
        Fixture f;
        Form1 form(f.services);
        QCOMPARE(form.font().family(), QStringLiteral("Arial"));
        QCOMPARE(form.font().pointSizeF(), 9.0);
        QVERIFY(form.font().bold());
        // fonts-liberation2 stands in for Arial with the same metrics.
        QVERIFY(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(form.font()).family()));
        for (QPushButton *button : {form.PushButton6, form.PushButton1, form.PushButton3}) {
            QCOMPARE(button->font().family(), QStringLiteral("Arial"));
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QVERIFY(button->font().bold());
            QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
        }
        QCOMPARE(form.Text7->font().pointSizeF(), 9.0);
        QVERIFY(form.Text7->font().bold());
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
        const QList<QGroupBox *> frames = form.findChildren<QGroupBox *>();
        QCOMPARE(frames.size(), 14);
        for (QGroupBox *frame : frames) {
            QCOMPARE(frame->palette().color(QPalette::Window), QColor(Qt::white));
            QVERIFY(frame->autoFillBackground());
        }
    }

    void aFieldTakesAHundredThousandCharacters()
    {
        Fixture f;
        Form1 form(f.services);
        const QString longText(100000, QLatin1Char('x'));
        form.Text3->setText(longText);
        QCOMPARE(form.Text3->text(), longText);
        QCOMPARE(stored(QStringLiteral("Text3")), longText);
    }

    void tabOrderRunsThroughTheFieldsThenTheButtons()
    {
        Fixture f;
        Form1 form(f.services);
        QVERIFY(StartMainWindow(form));
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.Text1);
        QStringList order;
        for (int i = 0; i < 15; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, QStringList({"Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8",
                                     "Text9", "Text10", "Text11", "Text12", "PushButton6",
                                     "PushButton1", "PushButton3", "Text1"}));
    }

    void opensCentredWithText1Selected()
    {
        Fixture f;
        Form1 form(f.services);
        QVERIFY(StartMainWindow(form));
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QPoint screenCentre = form.screen()->availableGeometry().center();
        QVERIFY((form.geometry().center() - screenCentre).manhattanLength() <= 2);
        QCOMPARE(QApplication::focusWidget(), form.Text1);
        QTRY_COMPARE(form.Text1->selectedText(), QStringLiteral("Quillmark"));
    }

    // --- start-up -----------------------------------------------------------

    void firstStartShowsAndStoresTheSamples()
    {
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        for (int n = 1; n <= 12; ++n) {
            QCOMPARE(form.field(n)->text(), kSamples.at(n - 1));
            QCOMPARE(stored(QStringLiteral("Text%1").arg(n)), kSamples.at(n - 1));
        }
        QVERIFY(f.messages.boxes().isEmpty());
        QVERIFY(!form.shouldEnd());
        QCOMPARE(form.windowTitle(), QStringLiteral("Parcelon"));
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(AppInfo::applicationTitle(), QStringLiteral("Parcelon"));
        QVERIFY(!form.isVisible());
    }

    void restoresStoredValuesAndKeepsEmptyOnesEmpty()
    {
        SettingsStore store;
        store.write(QStringLiteral("Text2"), QString());
        store.write(QStringLiteral("Text8"), QStringLiteral("Zoë Ångström 東京"));
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        QCOMPARE(form.Text2->text(), QString());
        QCOMPARE(form.Text8->text(), QStringLiteral("Zoë Ångström 東京"));
        QCOMPARE(form.Text9->text(), QStringLiteral("1200 Harbor Loop"));
        QCOMPARE(stored(QStringLiteral("Text2")), QString());
    }

    void visitsTheSiteOnlyOnADrawOfSeven_data()
    {
        QTest::addColumn<double>("uniform");
        QTest::addColumn<bool>("visits");
        QTest::newRow("1") << 0.0 << false;
        QTest::newRow("6") << 0.05 << false;
        QTest::newRow("7 low") << 0.06 << true;
        QTest::newRow("7 high") << 0.0699999 << true;
        QTest::newRow("8") << 0.07 << false;
        QTest::newRow("100") << 0.9999999 << false;
    }

    void visitsTheSiteOnlyOnADrawOfSeven()
    {
        QFETCH(double, uniform);
        QFETCH(bool, visits);
        Fixture f;
        f.random.values = {uniform};
        Form1 form(f.services);
        form.Form_Load();
        QCOMPARE(f.random.draws, 1);
        QCOMPARE(f.urlOpener.opened,
                 visits ? QList<QUrl>{QUrl(QStringLiteral("https://www.quillmark.example/"))}
                        : QList<QUrl>{});
        QVERIFY(f.messages.boxes().isEmpty());
    }

    void aSiteVisitThatCannotStartIsReportedAt126()
    {
        Fixture f;
        f.random.values = {0.06};
        f.urlOpener.fail = true;
        Form1 form(f.services);
        form.Form_Load();
        QCOMPARE(f.messages.errorReports().size(), 1);
        QVERIFY(f.messages.errorReports().first().text.contains(
            QStringLiteral("in Parcelwise2021/08/31.Form1.Form_Load at line 126\r\r")));
        QCOMPARE(form.Text12->text(), QStringLiteral("77500")); // start-up went on
    }

    void handCursorFile()
    {
        {
            Fixture f; // no file: no custom image, no message
            Form1 form(f.services);
            form.Form_Load();
            QVERIFY(!form.pointer().hasCustomCursor());
            QVERIFY(f.messages.boxes().isEmpty());
        }
        QVERIFY(QFile::copy(kShippedCursor, programFile(QStringLiteral("HAND-M.CUR"))));
        {
            Fixture f;
            Form1 form(f.services);
            form.Form_Load();
            QVERIFY(form.pointer().hasCustomCursor());
            moveOver(form.PushButton6);
            QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(form.cursor().hotSpot(), QPoint(11, 1));
        }
        QFile::remove(programFile(QStringLiteral("HAND-M.CUR")));
        writeFile(programFile(QStringLiteral("HAND-M.CUR")), "GIF89a not a cursor");
        {
            Fixture f;
            Form1 form(f.services);
            form.Form_Load();
            QVERIFY(!form.pointer().hasCustomCursor());
            QCOMPARE(f.messages.errorReports().size(), 1);
            QVERIFY(f.messages.errorReports().first().text.contains(QStringLiteral("at line 124\r\r")));
            QCOMPARE(form.Text1->text(), QStringLiteral("Quillmark")); // start-up went on
            moveOver(form.PushButton6); // the custom kind shows the arrow without an image
            QCOMPARE(form.pointer().kind(), PointerKind::Custom);
            QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        }
    }

    void anInvalidSkinIsReportedAt100AndStartUpGoesOn()
    {
        writeFile(programFile(QStringLiteral("x/o.cjs")), "QWidget { color: red;");
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        QCOMPARE(f.messages.errorReports().size(), 1);
        const QString text = f.messages.errorReports().first().text;
        QVERIFY(text.contains(QStringLiteral("not a valid style sheet")));
        QVERIFY(text.contains(QStringLiteral("\r\nin Parcelwise2021/08/31.Form1.Form_Load at line 100\r\r")));
        QCOMPARE(form.windowTitle(), QStringLiteral("Parcelon"));
        QCOMPARE(form.Text7->text(), QStringLiteral("Harborline Seafood Co."));
        QVERIFY(form.styleSheet().isEmpty());
    }

    void aValidSkinIsApplied()
    {
        QFile example(QStringLiteral(PARCELON_SOURCE_DIR "/skins/example/o.cjs"));
        QVERIFY(example.open(QIODevice::ReadOnly));
        const QByteArray sheet = example.readAll();
        writeFile(programFile(QStringLiteral("x/o.cjs")), sheet);
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        QVERIFY(f.messages.boxes().isEmpty());
        QCOMPARE(form.styleSheet(), QString::fromUtf8(sheet));
        QVERIFY(form.skin().isLoaded());
    }

    void withoutAnEngineTheProgramEndsUnseen()
    {
        Fixture f;
        f.engines.failOn(QStringLiteral("create"), 0, QStringLiteral("soffice.bin not found"));
        Form1 form(f.services);
        QVERIFY(!StartMainWindow(form));
        QVERIFY(form.shouldEnd());
        QVERIFY(!form.isVisible());
        QVERIFY(!f.messages.boxes().isEmpty()); // the check said why
        QVERIFY(f.messages.errorReports().isEmpty()); // ... in its own words
        QCOMPARE(f.engines.liveApplications, 0);
    }

    void theEngineCheckLeavesNoInstanceBehind()
    {
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        QVERIFY(!form.shouldEnd());
        QCOMPARE(f.engines.liveApplications, 0);
    }

    void closingEndsTheProgramEvenWithThePreviewLoaded()
    {
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        form.setPreviewPicture(QImage(10, 10, QImage::Format_RGB32));
        form.setPreviewWordFile(QStringLiteral("/tmp/x.doc"));
        QVERIFY(form.previewWindow());
        QCOMPARE(form.previewWindow()->mWordFile, QStringLiteral("/tmp/x.doc"));
        form.show();
        QVERIFY(form.close());
        QCOMPARE(f.exit.calls, 1);
    }

    // --- fields -------------------------------------------------------------

    void typingWritesTheWholeTextAtOnce()
    {
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        form.Text8->clear();
        QCOMPARE(stored(QStringLiteral("Text8")), QString());
        QTest::keyClicks(form.Text8, QStringLiteral("A"));
        QCOMPARE(stored(QStringLiteral("Text8")), QStringLiteral("A"));
        QTest::keyClicks(form.Text8, QStringLiteral("va"));
        QCOMPARE(stored(QStringLiteral("Text8")), QStringLiteral("Ava"));
        QTest::keyClick(form.Text8, Qt::Key_Backspace);
        QCOMPARE(stored(QStringLiteral("Text8")), QStringLiteral("Av"));
        form.Text8->selectAll();
        QTest::keyClick(form.Text8, Qt::Key_Delete);
        QCOMPARE(stored(QStringLiteral("Text8")), QString());
        QCOMPARE(stored(QStringLiteral("Text7")), QStringLiteral("Harborline Seafood Co."));
    }

    void focusSelectsTheWholeText()
    {
        Fixture f;
        Form1 form(f.services);
        QVERIFY(StartMainWindow(form));
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(form.Text1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.Text2);
        QCOMPARE(form.Text2->selectedText(), QStringLiteral("Dana Whitcombe"));
        QTest::keyClicks(form.Text2, QStringLiteral("Lee"));
        QCOMPARE(form.Text2->text(), QStringLiteral("Lee"));
        QCOMPARE(stored(QStringLiteral("Text2")), QStringLiteral("Lee"));

        // A click that gives the focus selects too, once the click is over.
        QTest::mouseClick(form.Text9, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
        QCOMPARE(QApplication::focusWidget(), form.Text9);
        QTRY_COMPARE(form.Text9->selectedText(), QStringLiteral("1200 Harbor Loop"));
        QCOMPARE(form.Text9->selectionStart(), 0);
    }

    void pointerFollowsTheMouse()
    {
        QVERIFY(QFile::copy(kShippedCursor, programFile(QStringLiteral("HAND-M.CUR"))));
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        form.show();
        QCOMPARE(form.pointer().kind(), PointerKind::Default);
        moveOver(form.PushButton6);
        QCOMPARE(form.pointer().kind(), PointerKind::Custom);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        moveOver(form.Text5); // Text2 .. Text12 change nothing
        QCOMPARE(form.pointer().kind(), PointerKind::Custom);
        moveOver(form.Frame3);
        QCOMPARE(form.pointer().kind(), PointerKind::Default);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        moveOver(form.PushButton1);
        QCOMPARE(form.pointer().kind(), PointerKind::Custom);
        moveOver(form.Text1);
        QCOMPARE(form.pointer().kind(), PointerKind::Default);
        moveOver(form.PushButton3);
        QCOMPARE(form.pointer().kind(), PointerKind::Custom);
        moveOver(&form);
        QCOMPARE(form.pointer().kind(), PointerKind::Default);
        moveOver(form.Frame7);
        QCOMPARE(form.pointer().kind(), PointerKind::Default);

        form.setBusyPointer();
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        // The text boxes keep their I-beam of their own; the hourglass must win over it.
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        for (QWidget *w : {static_cast<QWidget *>(form.PushButton6), static_cast<QWidget *>(form.Frame9),
                           static_cast<QWidget *>(form.Text1), static_cast<QWidget *>(&form)}) {
            moveOver(w);
            QCOMPARE(form.pointer().kind(), PointerKind::Busy);
            QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        }
        form.setDefaultPointer();
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!QGuiApplication::overrideCursor());
        moveOver(form.PushButton6);
        QCOMPARE(form.pointer().kind(), PointerKind::Custom);
    }

    // --- sample data and help -----------------------------------------------

    void sampleDataFillsAndStoresEveryField()
    {
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        for (int n = 1; n <= 12; ++n)
            form.field(n)->setText(QStringLiteral("typed %1").arg(n));
        form.Text4->setFocus();
        form.PushButton3->click();
        form.PushButton3->click(); // twice is the same as once
        for (int n = 1; n <= 12; ++n) {
            QCOMPARE(form.field(n)->text(), kSamples.at(n - 1));
            QCOMPARE(stored(QStringLiteral("Text%1").arg(n)), kSamples.at(n - 1));
        }
        QVERIFY(f.messages.boxes().isEmpty());

        Fixture again; // after a restart the samples come back
        Form1 restarted(again.services);
        restarted.Form_Load();
        QCOMPARE(restarted.Text6->text(), QStringLiteral("03100"));
        QCOMPARE(restarted.Text7->text(), QStringLiteral("Harborline Seafood Co."));
    }

    void helpShowsTheExactText()
    {
        Fixture f;
        Form1 form(f.services);
        form.Form_Load();
        form.PushButton1->click();
        QCOMPARE(f.messages.boxes().size(), 1);
        const auto &box = f.messages.boxes().first();
        QCOMPARE(box.style, BoxStyle::Information);
        QCOMPARE(box.title, QStringLiteral("Parcelon"));
        QCOMPARE(box.text,
                 QStringLiteral("These labels are 4 x 3-1/3 inches and work with Avery 5164, 5264, "
                                "5524, 5664, 8164, 8254, and 8464.\r\n\r\nQuestions? Please contact "
                                "Team Quillmark at https://www.quillmark.example/contact"));
    }
};

PARCELON_TEST_MAIN(Form1Test)
#include "tst_form1.moc"
