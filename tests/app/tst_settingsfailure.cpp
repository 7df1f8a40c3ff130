#include "app/Form1.h"
#include "core/ProgramFolder.h"
#include "core/SettingsStore.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/NamedChild.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
struct Fixture : FakeServices
{
    bool programFolder = (OverrideProgramFolder(TestEnvironment::temp()), true);
    Form1 form{services};
};

const char kGarbage[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\n[Parcelon]\nText8=Jordan Ellis\n";

QString stored(int field)
{
    return SettingsStore().read(u"Text%1"_s.arg(field), u"<missing>"_s);
}
} // namespace

class tst_SettingsFailure : public QObject
{
    Q_OBJECT

private slots:
    // XDG_CONFIG_HOME/Quillmark is a regular file, so the folder for
    // Quillmark.conf cannot be made (this holds for root too, where
    // permissions would not bite). Once it can, the next change saves them all.
    void oneWarningPerRunAndTypingGoesOn()
    {
        QFile blocker(TestEnvironment::configHome() + QStringLiteral("/Quillmark"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        Fixture f;
        Form1 &form = f.form;
        form.Form_Load(); // twelve failing writes
        QCOMPARE(f.messages.boxes().size(), 1);
        const auto box = f.messages.boxes().first();
        QCOMPARE(box.style, BoxStyle::Warning);
        QCOMPARE(box.title, QStringLiteral("Parcelon"));
        QVERIFY(box.text.contains(TestEnvironment::settingsFile()));
        QVERIFY(box.text.contains(QStringLiteral("will not be remembered")));
        QCOMPARE(form.field(1)->text(), QStringLiteral("Quillmark"));

        QTest::keyClicks(form.field(3), QStringLiteral(" and more"));
        NamedChild<QPushButton>(form, "PushButton3")->click();
        QCOMPARE(f.messages.boxes().size(), 1);
        QCOMPARE(form.field(3)->text(), QStringLiteral("123 Elm Street"));
        QVERIFY(!form.shouldEnd());

        QVERIFY(blocker.remove());
        QTest::keyClicks(form.field(9), u"!"_s);
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(stored(n), form.field(n)->text());
        QCOMPARE(f.messages.boxes().size(), 1);
    }

    // A settings file that cannot be read is never written over, the user's
    // values that can be read are shown, and the one warning says what
    // happens: nothing typed is kept.
    void unreadableFileIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("recipientName");
        QTest::newRow("folder") << QByteArray() << u"it is a folder"_s << u"Jordan Ellery"_s;
        QTest::newRow("named pipe") << QByteArray() << u"it is a named pipe"_s << u"Jordan Ellery"_s;
        QTest::newRow("unterminated header")
            << QByteArray("[Inkwell]\nrecent=a.doc, b.doc\n[Parcelon\nText8=Jordan Ellis\n")
            << u"line 3 has a section name without its closing bracket"_s << u"Jordan Ellis"_s;
        QTest::newRow("garbage") << QByteArray(kGarbage, sizeof kGarbage - 1) << u"it holds 3 NUL bytes"_s
                                 << u"Jordan Ellis"_s;
        QTest::newRow("mode 000") << QByteArray("[Parcelon]\nText8=Jordan Ellis\n")
                                  << QString::fromLocal8Bit(strerror(EACCES)) << u"Jordan Ellery"_s;
    }

    void unreadableFileIsLeftAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QFETCH(QString, recipientName);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        if (tag == u"mode 000"_s && ::geteuid() == 0)
            QSKIP("root reads a file of mode 000");
        const QString path = TestEnvironment::settingsFile();
        QDir(TestEnvironment::configHome()).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        if (tag == u"folder"_s)
            QVERIFY(QDir().mkdir(path));
        else if (tag == u"named pipe"_s)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            WriteFileBytes(path, content);
        if (tag == u"mode 000"_s)
            QVERIFY(QFile::setPermissions(path, {}));

        ::alarm(60); // a store that blocks on the pipe fails the test instead of hanging it
        Fixture f;
        f.form.Form_Load();
        QCOMPARE(f.form.field(8)->text(), recipientName);
        QTest::keyClicks(f.form.field(3), u" and more"_s);
        NamedChild<QPushButton>(f.form, "PushButton3")->click();
        ::alarm(0);

        QCOMPARE(f.messages.boxes().size(), 1);
        const QString text = f.messages.boxes().first().text;
        QVERIFY2(text.contains(path + u": "_s + reason), qPrintable(text));
        QVERIFY(text.contains(u"will not be remembered"_s));
        QCOMPARE(f.form.field(3)->text(), u"123 Elm Street"_s);

        struct stat info = {};
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        if (tag == u"folder"_s)
            QVERIFY(S_ISDIR(info.st_mode) && QDir(path).isEmpty());
        else if (tag == u"named pipe"_s)
            QVERIFY(S_ISFIFO(info.st_mode));
        else {
            if (tag == u"mode 000"_s)
                QCOMPARE(info.st_mode & 07777, 0u);
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
            QCOMPARE(ReadFileBytes(path), content);
        }
        QCOMPARE(QDir(QFileInfo(path).path())
                     .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"Quillmark.conf"_s});
    }
};

PARCELON_TEST_MAIN(tst_SettingsFailure)
#include "tst_settingsfailure.moc"
