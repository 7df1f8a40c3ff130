#include "core/Failure.h"
#include "core/ProgramFolder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "widgets/Skin.h"
#include "widgets/SkinFramework.h"
#include "widgets/StyleSheetCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
QColor background(const QWidget *w)
{
    return w->palette().color(QPalette::Window);
}

// A window like the program's, white throughout, with one of every kind of
// control the recolouring distinguishes.
struct TestWindow
{
    QWidget window;
    QGroupBox *frame = new QGroupBox(u"Sender"_s, &window);
    QLineEdit *edit = new QLineEdit(new QGroupBox(u"Company"_s, frame));
    QPushButton *button = new QPushButton(&window);
    QWidget *pictureBox = new QWidget(&window);
    QList<QWidget *> plain{&window,
                           frame,
                           edit->parentWidget(),
                           new QLabel(u"label"_s, &window),
                           new QCheckBox(&window),
                           new QRadioButton(&window)};

    TestWindow()
    {
        pictureBox->setProperty(kPictureBoxProperty, true);
        QPalette white;
        white.setColor(QPalette::Window, Qt::white);
        white.setColor(QPalette::Button, Qt::white);
        for (QWidget *w : plain + QList<QWidget *>{button, pictureBox}) {
            w->setPalette(white);
            w->setAutoFillBackground(true);
        }
    }

    // Plain controls take the button face; buttons and text boxes keep theirs.
    void verifyRecoloured(bool pictureBoxToo) const
    {
        const QColor face = ButtonFaceColour();
        QVERIFY(face != QColor(Qt::white));
        for (QWidget *w : plain)
            QCOMPARE(background(w), face);
        QCOMPARE(background(pictureBox), pictureBoxToo ? face : QColor(Qt::white));
        QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
        QCOMPARE(edit->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    }
};
} // namespace

class tst_Skin : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_programFolder;
    QString skinFile() const { return m_programFolder->filePath(u"x/o.cjs"_s); }

private slots:
    void initTestCase()
    {
        // A button face that differs from white, so the recolouring shows.
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, QColor(0xd4, 0xd0, 0xc8));
        QApplication::setPalette(palette);
    }

    void init()
    {
        m_programFolder = std::make_unique<QTemporaryDir>(TestEnvironment::temp() + "/program-XXXXXX");
        OverrideProgramFolder(m_programFolder->path());
    }

    void cleanup()
    {
        OverrideProgramFolder(QString());
        m_programFolder.reset();
        qApp->setStyleSheet(QString());
    }

    // What Qt's own parser makes of a sheet: whole rules pass, a declaration
    // Qt skips does not spoil its rule, anything that is not rules is refused.
    void styleSheetCheck_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<bool>("valid");
        QFile example(u"" PARCELON_SOURCE_DIR "/skins/example/o.cjs"_s);
        QVERIFY(example.open(QIODevice::ReadOnly));
        QTest::newRow("shipped example") << QString::fromUtf8(example.readAll()) << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("comment only") << "/* nothing { here } */\n" << true;
        QTest::newRow("last semicolon omitted") << "QLabel{color:red}" << true;
        QTest::newRow("pseudo states") << "QGroupBox::title { left: 8px; }\nQPushButton:hover:!pressed { color: #fff; }"
                                       << true;
        QTest::newRow("braces in strings") << "QLabel[text=\"a{b}\"] { font-family: 'x;y}'; }" << true;
        QTest::newRow("url, multi-line") << "QWidget#Form1 {\n  background: url(:/a.png)\n    no-repeat;\n}\r\n"
                                         << true;
        QTest::newRow("semicolon in url") << "QWidget { background: url(a;b.png) }" << true;
        QTest::newRow("declarations Qt skips") << "QWidget {\n color red; co lor: red; color: ; }" << true;
        QTest::newRow("unclosed rule") << "QWidget {\n color: red;\n" << false;
        QTest::newRow("stray brace") << "QWidget { color: red; }\n}" << false;
        QTest::newRow("empty selector in a list") << "QPushButton, QLineEdit, { color: red }" << false;
        QTest::newRow("list cut short") << "QLabel { color: red; } QLineEdit," << false;
        QTest::newRow("no selector") << "{ color: red; }" << false;
        QTest::newRow("declarations only") << "color: red;" << false;
        QTest::newRow("binary") << QString::fromLatin1("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << false;
        QTest::newRow("unclosed comment") << "QWidget { color: red; } /* open" << false;
        QTest::newRow("unclosed string") << "QLabel[text=\"abc] { color: red; }" << false;
        QTest::newRow("trailing text") << "QWidget { color: red; } QLabel" << false;
    }

    void styleSheetCheck()
    {
        QFETCH(QString, sheet);
        QFETCH(bool, valid);
        QCOMPARE(IsValidStyleSheet(sheet), valid);
    }

    void componentLoadsAppliesAndLocks()
    {
        WriteFileBytes(skinFile(), "QWidget { color: #123456; }");
        SkinFramework skin;
        QVERIFY_THROWS_EXCEPTION(Failure, skin.applyWindow(nullptr)); // nothing loaded yet
        skin.loadSkin(skinFile(), QString());
        QWidget window;
        skin.setLockAfterApply(true);
        skin.applyWindow(&window);
        QCOMPARE(window.styleSheet(), u"QWidget { color: #123456; }"_s);
        QVERIFY(qApp->styleSheet().isEmpty()); // only the window without the switch
        QVERIFY_THROWS_EXCEPTION(Failure, skin.loadSkin(skinFile(), QString()));
    }

    void componentRefusesBadFiles()
    {
        const struct
        {
            QByteArray bytes;
            QString section, description;
        } cases[] = {{QByteArray(), QString(), "Cannot read skin file"}, // no file
                     {"QWidget { color: red; }", "Blue", "section"},
                     {"QWidget { color: \xff\xfe; }", QString(), "not UTF-8"},
                     {"QWidget { color: red; ", QString(), "not a valid style sheet"}};
        for (const auto &c : cases) {
            if (!c.bytes.isEmpty())
                WriteFileBytes(skinFile(), c.bytes);
            SkinFramework skin;
            try {
                skin.loadSkin(skinFile(), c.section);
                QFAIL(qPrintable(c.description));
            } catch (const Failure &failure) {
                QVERIFY2(failure.description().contains(c.description), qPrintable(failure.description()));
            }
            QVERIFY(!skin.isLoaded());
        }
        // Hidden files and folders do not count as a skin file.
        const QString hidden = m_programFolder->filePath(u"x/.o.cjs"_s);
        WriteFileBytes(hidden, "QWidget { color: red; }");
        QVERIFY(!IsOrdinaryFile(hidden));
        QVERIFY(!IsOrdinaryFile(QString()));
        QVERIFY(!IsOrdinaryFile(m_programFolder->path()));
        QVERIFY(IsOrdinaryFile(skinFile()));
    }

    void applySkinRecoloursThenLoadsAndApplies()
    {
        // A skin that sets no backgrounds of its own, so the recolouring shows.
        WriteFileBytes(skinFile(), "QLineEdit { color: #123456; }");
        TestWindow w;
        SkinFramework skin;
        ApplySkin(&w.window, skin);
        w.verifyRecoloured(true);
        QVERIFY(skin.isLocked());
        QCOMPARE(w.window.styleSheet(), u"QLineEdit { color: #123456; }"_s);
        QCOMPARE(qApp->styleSheet(), w.window.styleSheet()); // later windows wear it too
    }

    void aBrokenSkinFailsAfterTheRecolouring()
    {
        WriteFileBytes(skinFile(), "QWidget { color: red;");
        TestWindow w;
        SkinFramework skin;
        QVERIFY_THROWS_EXCEPTION(Failure, ApplySkin(&w.window, skin));
        w.verifyRecoloured(true); // what was changed stays changed
        QVERIFY(w.window.styleSheet().isEmpty() && qApp->styleSheet().isEmpty());
    }

    void recolourFormLeavesPictureBoxesAlone()
    {
        TestWindow w;
        RecolourForm(&w.window);
        w.verifyRecoloured(false);
        QVERIFY(w.window.styleSheet().isEmpty());
    }
};

PARCELON_TEST_MAIN(tst_Skin)
#include "tst_skin.moc"
