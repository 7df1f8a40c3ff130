#include "Failure.h"
#include "ProgramFolder.h"
#include "Skin.h"
#include "SkinFramework.h"
#include "StyleSheetCheck.h"
#include "TestMain.h"

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

namespace {
const QString kExampleSkin = QStringLiteral(PARCELON_SOURCE_DIR "/skins/example/o.cjs");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QColor background(const QWidget *w)
{
    return w->palette().color(QPalette::Window);
}

// A window like the program's: white background, white frames, and one of
// every kind of control the recolouring distinguishes.
struct TestWindow
{
    QWidget window;
    QGroupBox *frame;
    QGroupBox *innerFrame;
    QLabel *label;
    QCheckBox *check;
    QRadioButton *option;
    QLineEdit *edit;
    QPushButton *button;
    QWidget *pictureBox;

    TestWindow()
    {
        paintWhite(&window);
        frame = new QGroupBox(QStringLiteral("Sender"), &window);
        innerFrame = new QGroupBox(QStringLiteral("Company"), frame);
        paintWhite(frame);
        paintWhite(innerFrame);
        label = new QLabel(QStringLiteral("label"), &window);
        check = new QCheckBox(&window);
        option = new QRadioButton(&window);
        edit = new QLineEdit(innerFrame);
        button = new QPushButton(&window);
        pictureBox = new QWidget(&window);
        pictureBox->setProperty(kPictureBoxProperty, true);
        paintWhite(pictureBox);
        QPalette p = button->palette();
        p.setColor(QPalette::Button, Qt::white);
        button->setPalette(p);
    }

    static void paintWhite(QWidget *w)
    {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, Qt::white);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    }
};
} // namespace

class SkinTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_programFolder = nullptr;
    QString skinFile() const { return m_programFolder->filePath(QStringLiteral("x/o.cjs")); }

private slots:
    void initTestCase()
    {
        // The test needs a colour that differs from white to see the recolouring.
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, QColor(0xd4, 0xd0, 0xc8));
        QApplication::setPalette(palette);
    }

    void init()
    {
        m_programFolder = new QTemporaryDir(TestEnvironment::temp() + QStringLiteral("/program-XXXXXX"));
        OverrideProgramFolder(m_programFolder->path());
    }

    void cleanup()
    {
        OverrideProgramFolder(QString());
        delete m_programFolder;
        qApp->setStyleSheet(QString());
    }

    void acceptsStyleSheets_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::newRow("empty") << QString();
        QTest::newRow("comment only") << QStringLiteral("/* nothing { here } */\n");
        QTest::newRow("simple") << QStringLiteral("QWidget { background-color: #e8edf3; }");
        QTest::newRow("last semicolon omitted") << QStringLiteral("QLabel{color:red}");
        QTest::newRow("pseudo states and subcontrols")
            << QStringLiteral("QGroupBox::title { left: 8px; }\nQPushButton:hover:!pressed { color: #fff; }");
        QTest::newRow("braces in strings") << QStringLiteral("QLabel[text=\"a{b}\"] { font-family: 'x;y}'; }");
        QTest::newRow("url and multi-line")
            << QStringLiteral("QWidget#Form1 {\n  background: url(:/a.png)\n    no-repeat;\n}\r\n");
        QFile example(kExampleSkin);
        QVERIFY(example.open(QIODevice::ReadOnly));
        QTest::newRow("shipped example") << QString::fromUtf8(example.readAll());
    }

    void acceptsStyleSheets()
    {
        QFETCH(QString, sheet);
        QCOMPARE(StyleSheetProblem(sheet), QString());
    }

    void refusesBrokenStyleSheets_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("problem");
        QTest::newRow("unclosed rule") << QStringLiteral("QWidget {\n color: red;\n") << "never closed on line 1";
        QTest::newRow("stray brace") << QStringLiteral("QWidget { color: red; }\n}") << "'}' without its '{' on line 2";
        QTest::newRow("nested") << QStringLiteral("A { B { color: red; } }") << "'{' inside a rule";
        QTest::newRow("no selector") << QStringLiteral("{ color: red; }") << "without a selector";
        QTest::newRow("no colon") << QStringLiteral("QWidget {\n color red;\n}") << "without ':' on line 2";
        QTest::newRow("no value") << QStringLiteral("QWidget { color: ; }") << "without a value";
        QTest::newRow("bad property") << QStringLiteral("QWidget { co lor: red; }") << "bad property name";
        QTest::newRow("control character") << QStringLiteral("QWidget { color: red;\x01 }") << "control character";
        QTest::newRow("unclosed comment") << QStringLiteral("QWidget { color: red; } /* open") << "comment";
        QTest::newRow("unclosed string") << QStringLiteral("QLabel[text=\"abc] { color: red; }") << "string";
        QTest::newRow("trailing text") << QStringLiteral("QWidget { color: red; } QLabel") << "after the last rule";
        QTest::newRow("binary") << QString::fromLatin1("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << "control character";
    }

    void refusesBrokenStyleSheets()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, problem);
        const QString found = StyleSheetProblem(sheet);
        QVERIFY2(found.contains(problem), qPrintable(found));
    }

    void componentLoadsAndApplies()
    {
        writeFile(skinFile(), "QWidget { color: #123456; }");
        SkinFramework skin;
        QVERIFY_THROWS_EXCEPTION(Failure, skin.applyWindow(nullptr)); // nothing loaded yet
        skin.loadSkin(skinFile(), QString());
        QCOMPARE(skin.styleSheet(), QStringLiteral("QWidget { color: #123456; }"));
        QWidget window;
        skin.setLockAfterApply(true);
        skin.applyWindow(&window);
        QCOMPARE(window.styleSheet(), skin.styleSheet());
        QVERIFY(qApp->styleSheet().isEmpty()); // only the window without the switch
        QVERIFY_THROWS_EXCEPTION(Failure, skin.loadSkin(skinFile(), QString()));
    }

    void componentRefusesBadFiles()
    {
        SkinFramework skin;
        auto descriptionOf = [&](const QString &path, const QString &section = QString()) {
            try {
                skin.loadSkin(path, section);
            } catch (const Failure &failure) {
                return failure.description();
            }
            return QString();
        };
        QVERIFY(descriptionOf(skinFile()).startsWith(QStringLiteral("Cannot read skin file")));
        writeFile(skinFile(), "QWidget { color: red; }");
        QVERIFY(descriptionOf(skinFile(), QStringLiteral("Blue")).contains(QStringLiteral("section")));
        writeFile(skinFile(), "QWidget { color: \xff\xfe; }");
        QVERIFY(descriptionOf(skinFile()).contains(QStringLiteral("not UTF-8")));
        writeFile(skinFile(), "QWidget { color: red; ");
        QVERIFY(descriptionOf(skinFile()).contains(QStringLiteral("not a valid style sheet")));
        QVERIFY(!skin.isLoaded());
    }

    void applySkinWithoutTheFileChangesNothing()
    {
        TestWindow w;
        SkinFramework skin;
        ApplySkin(&w.window, skin);
        QCOMPARE(background(&w.window), QColor(Qt::white));
        QCOMPARE(background(w.frame), QColor(Qt::white));
        QVERIFY(!skin.isLoaded());
        QVERIFY(w.window.styleSheet().isEmpty());
    }

    void aFolderOrADotFileIsNoSkin()
    {
        QDir().mkpath(skinFile()); // a folder named o.cjs
        TestWindow w;
        SkinFramework skin;
        ApplySkin(&w.window, skin);
        QCOMPARE(background(w.frame), QColor(Qt::white));
        QVERIFY(!skin.isLoaded());

        const QString hidden = m_programFolder->filePath(QStringLiteral("x/.o.cjs"));
        writeFile(hidden, "QWidget { color: red; }");
        QVERIFY(!IsOrdinaryFile(hidden));
        QVERIFY(IsOrdinaryFile(kExampleSkin));
        QVERIFY(!IsOrdinaryFile(QString()));
    }

    void applySkinRecoloursThenLoadsAndApplies()
    {
        // A skin that sets no backgrounds of its own, so the recolouring shows.
        writeFile(skinFile(), "QLineEdit { color: #123456; }");
        TestWindow w;
        SkinFramework skin;
        ApplySkin(&w.window, skin);
        const QColor face = ButtonFaceColour();
        QVERIFY(face != QColor(Qt::white));
        for (QWidget *recoloured : {&w.window, static_cast<QWidget *>(w.frame),
                                    static_cast<QWidget *>(w.innerFrame), static_cast<QWidget *>(w.label),
                                    static_cast<QWidget *>(w.check), static_cast<QWidget *>(w.option),
                                    w.pictureBox})
            QCOMPARE(background(recoloured), face);
        QCOMPARE(w.button->palette().color(QPalette::Button), QColor(Qt::white));
        QCOMPARE(w.edit->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
        QVERIFY(skin.isLoaded());
        QVERIFY(skin.options() & SkinFramework::kPolishAtOnce);
        QVERIFY(skin.skinNewWindows());
        QVERIFY(skin.isLocked());
        QCOMPARE(w.window.styleSheet(), skin.styleSheet());
        QCOMPARE(qApp->styleSheet(), skin.styleSheet());
    }

    void aBrokenSkinFailsAfterTheRecolouring()
    {
        writeFile(skinFile(), "QWidget { color: red;");
        TestWindow w;
        SkinFramework skin;
        QVERIFY_THROWS_EXCEPTION(Failure, ApplySkin(&w.window, skin));
        QCOMPARE(background(w.frame), ButtonFaceColour()); // what was changed stays changed
        QVERIFY(w.window.styleSheet().isEmpty());
        QVERIFY(qApp->styleSheet().isEmpty());
    }

    void recolourFormLeavesPictureBoxesAlone()
    {
        TestWindow w;
        RecolourForm(&w.window);
        const QColor face = ButtonFaceColour();
        for (QWidget *recoloured : {&w.window, static_cast<QWidget *>(w.frame),
                                    static_cast<QWidget *>(w.innerFrame), static_cast<QWidget *>(w.label),
                                    static_cast<QWidget *>(w.check), static_cast<QWidget *>(w.option)})
            QCOMPARE(background(recoloured), face);
        QCOMPARE(background(w.pictureBox), QColor(Qt::white));
        QCOMPARE(w.button->palette().color(QPalette::Button), QColor(Qt::white));
        QVERIFY(w.window.styleSheet().isEmpty());
    }
};

PARCELON_TEST_MAIN(SkinTest)
#include "tst_skin.moc"
