#include "FakeEngine.h"
#include "Form1.h"
#include "ProgramFolder.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedSeams.h"
#include "TestMain.h"

#include <QFile>

// A settings file that cannot be written: XDG_CONFIG_HOME/Quillmark is a
// regular file, so the folder for Quillmark.conf can never be made (this
// holds for root too, where permissions would not bite).
class SettingsFailureTest : public QObject
{
    Q_OBJECT

private slots:
    void oneWarningPerRunAndTypingGoesOn()
    {
        QFile blocker(TestEnvironment::configHome() + QStringLiteral("/Quillmark"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        OverrideProgramFolder(TestEnvironment::temp());
        RecordingMessageBoxes messages;
        ScriptedRandom random;
        RecordingUrlOpener urlOpener;
        FakeEngine engines;
        RecordingProgramExit exit;
        Services services{&messages, nullptr, &urlOpener, &random, nullptr, &engines, &exit};

        Form1 form(services);
        form.Form_Load(); // twelve failing writes
        QCOMPARE(messages.boxes().size(), 1);
        const auto box = messages.boxes().first();
        QCOMPARE(box.style, BoxStyle::Warning);
        QCOMPARE(box.title, QStringLiteral("Parcelon"));
        QVERIFY(box.text.contains(TestEnvironment::settingsFile()));
        QVERIFY(box.text.contains(QStringLiteral("will not be remembered")));
        QCOMPARE(form.Text1->text(), QStringLiteral("Quillmark"));

        QTest::keyClicks(form.Text3, QStringLiteral(" and more"));
        form.PushButton3->click();
        QCOMPARE(messages.boxes().size(), 1);
        QCOMPARE(form.Text3->text(), QStringLiteral("123 Elm Street"));
        QVERIFY(!form.shouldEnd());
    }
};

PARCELON_TEST_MAIN(SettingsFailureTest)
#include "tst_settingsfailure.moc"
