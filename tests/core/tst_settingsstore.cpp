#include "core/SettingsStore.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QSettings>
#include <QThread>

#include <cstdio>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int kChildRounds = 40;

// The settings file read by a QSettings of its own, as another tool or an
// older version reads it. Qt shares the parsed file between the QSettings of
// one process and trusts an unchanged size and time, so every read takes a
// copy under a name never used before.
QVariant readWithQSettings(const QString &key)
{
    static int copies = 0;
    const QString copy = TestEnvironment::temp() + u"/copy-%1.conf"_s.arg(++copies);
    if (!QFile::copy(TestEnvironment::settingsFile(), copy))
        return u"<no settings file>"_s;
    return QSettings(copy, QSettings::IniFormat).value(key);
}

QString readFromDiskCopy(const QString &key)
{
    const QVariant value = readWithQSettings(u"Parcelon/"_s + key);
    return value.isValid() ? value.toString() : u"<missing>"_s;
}

mode_t modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 01000000;
}
} // namespace

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    // Plain values stay readable in the one file, as QSettings itself writes them.
    void livesReadablyInTheQuillmarkFile()
    {
        SettingsStore store;
        QCOMPARE(store.fileName(), TestEnvironment::settingsFile());
        QVERIFY(store.write(u"Text8"_s, u"Jordan Ellery"_s));
        QVERIFY(store.write(u"Text6"_s, u"03100"_s));
        QFile file(TestEnvironment::settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith("[Parcelon]\n"));
        QVERIFY(text.contains("\nText8=Jordan Ellery\n"));
        QVERIFY(text.contains("\nText6=03100\n"));
        // No scratch files and no lock file are left beside it.
        QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Quillmark.conf"});
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("10000 chars") << QString(10000, QLatin1Char('W'));
        QTest::newRow("accents") << u"Café Müller, Ærøskøbing Straße"_s;
        QTest::newRow("cjk") << u"東京都千代田区丸の内1-1"_s;
        QTest::newRow("emoji and bidi") << u"Box 📦 to 🏠\u200F\u202Eabc"_s;
        QTest::newRow("ini syntax") << u"= [Parcelon] ; # \\ \" % %U %20 \\n"_s;
        QTest::newRow("comment and section look") << u"; [General] # not a comment"_s;
        QTest::newRow("blanks") << u"  leading and trailing  "_s;
        QTest::newRow("variant look") << u"@Variant(\\0\\0\\0\\x7f)"_s; // QSettings' own markers
        QTest::newRow("quoted list") << u"\"quoted, with comma\", b"_s; // QSettings splits lists at commas
        QTest::newRow("control characters") << u"line 1\nline 2\r\n\t\x01"
                                               "b\x1f"
                                               "7\x7f"
                                               "F"_s
                + QChar(0) + u"1"_s;
    }

    void roundTrip()
    {
        QFETCH(QString, value);
        const QString key = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
        QVERIFY(SettingsStore().write(key, value));
        QCOMPARE(SettingsStore().read(key, u"default"_s), value);
        QCOMPARE(readFromDiskCopy(key), value);
    }

    void emptyIsNotMissing()
    {
        SettingsStore store;
        QCOMPARE(store.read(u"Text9"_s, u"1200 Harbor Loop"_s), u"1200 Harbor Loop"_s);
        QVERIFY(store.write(u"Text9"_s, QString()));
        QCOMPARE(store.read(u"Text9"_s, u"1200 Harbor Loop"_s), QString());
        QCOMPARE(readFromDiskCopy(u"Text9"_s), QString());
    }

    // "Load Sample/Example Data" over a realistic address: values of equal
    // length, several writes within a millisecond. Each one is on disk at once.
    void everyWriteReachesTheFile()
    {
        SettingsStore store;
        const QStringList states = {u"MA"_s, u"CA"_s, u"TX"_s, u"NH"_s};
        const QStringList zips = {u"02110"_s, u"90210"_s, u"77500"_s, u"03100"_s};
        for (int round = 0; round < 12; ++round) {
            QVERIFY(store.write(u"Text11"_s, states[round % 4]));
            QVERIFY(store.write(u"Text12"_s, zips[round % 4]));
            QCOMPARE(readFromDiskCopy(u"Text11"_s), states[round % 4]);
            QCOMPARE(SettingsStore().read(u"Text12"_s, u"<missing>"_s), zips[round % 4]);
        }
    }

    // The vendor's other products share the file: their sections, list
    // values, typed values, quoting, comments and lines QSettings skips stay
    // byte for byte; a Parcelon value typed by hand with a bare comma is one
    // string.
    void onlyTheWrittenLinesChange()
    {
        const QByteArray before = "; Quillmark products\n"
                                  "[Inkwell]\n"
                                  "recent=a.doc, b.doc\n"
                                  "geometry=@Rect(10 20 300 400)\n"
                                  "state=@ByteArray(\\0\\x1\\xff)\n"
                                  "title=\"quoted, with comma\"\n"
                                  "# a hash comment\n"
                                  "a line with no equals sign\n"
                                  "\n"
                                  "[Parcelon]\n"
                                  "Text1=Acme, Inc.\n"
                                  "Text2=Old Name ; kept comment\n"
                                  "Text5=MA\n"
                                  "\n"
                                  "[Zeta]\n"
                                  "z=1";
        WriteFileBytes(TestEnvironment::settingsFile(), before);
        SettingsStore store;
        QCOMPARE(store.read(u"Text1"_s, u"Quillmark"_s), u"Acme, Inc."_s);
        QCOMPARE(store.read(u"Text2"_s, u"Dana Whitcombe"_s), u"Old Name"_s);
        QVERIFY(store.write(u"Text1"_s, u"Acme, Inc."_s)); // the restore writes it back
        QVERIFY(store.write(u"Text2"_s, u"New Name"_s));
        QVERIFY(store.write(u"Text5"_s, u"CA"_s));
        QVERIFY(store.write(u"Text3"_s, u"9 Elm"_s));
        QVERIFY(store.unusableReason().isEmpty());

        QByteArray expected = before;
        expected.replace("Text1=Acme, Inc.", "Text1=\"Acme, Inc.\"")
            .replace("Text2=Old Name ;", "Text2=New Name;")
            .replace("Text5=MA", "Text5=CA\nText3=9 Elm");
        QCOMPARE(ReadFileBytes(TestEnvironment::settingsFile()), expected);
        QCOMPARE(readWithQSettings(u"Inkwell/recent"_s).toStringList(), (QStringList{u"a.doc"_s, u"b.doc"_s}));
        QCOMPARE(readWithQSettings(u"Inkwell/geometry"_s).toRect(), QRect(10, 20, 300, 400));
        QCOMPARE(readFromDiskCopy(u"Text1"_s), u"Acme, Inc."_s);
    }

    // The file emptied or rewritten by another program between two
    // keystrokes: the next write puts back every key the run holds, with
    // the program's values, and keeps a value the other program wrote.
    void aWriteKeepsEveryKey_data()
    {
        QTest::addColumn<QByteArray>("meanwhile");
        QTest::addColumn<QString>("text5");
        QTest::newRow("emptied") << QByteArray() << u"State 5"_s;
        QTest::newRow("rewritten") << QByteArray("[Inkwell]\nx=1\n[Parcelon]\nText5=CA\n") << u"CA"_s;
    }

    void aWriteKeepsEveryKey()
    {
        QFETCH(QByteArray, meanwhile);
        QFETCH(QString, text5);
        QFile::remove(TestEnvironment::settingsFile());
        SettingsStore store;
        for (int n = 1; n <= 12; ++n)
            store.read(u"Text%1"_s.arg(n), u"Default %1"_s.arg(n));
        QVERIFY(store.write(u"Text5"_s, u"State 5"_s));
        QVERIFY(store.write(u"Text12"_s, u"Zip 12"_s));
        WriteFileBytes(TestEnvironment::settingsFile(), meanwhile);
        QVERIFY(store.write(u"Text8"_s, u"Name 8"_s));
        for (int n = 1; n <= 12; ++n) {
            const QString want = n == 5 ? text5 : n == 8 ? u"Name 8"_s : n == 12 ? u"Zip 12"_s : u"Default %1"_s.arg(n);
            QCOMPARE(readFromDiskCopy(u"Text%1"_s.arg(n)), want);
        }
    }

    // A first file gets the usual mode; an existing one keeps its own, and a
    // symbolic link (a dotfile manager's) stays a link to the updated file.
    void modeAndLinkAreKept()
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const QString path = TestEnvironment::settingsFile();
        QVERIFY(SettingsStore().write(u"Text4"_s, u"Elmsworth"_s));
        QCOMPARE(modeOf(path), 0666 & ~mask);

        const QString target = TestEnvironment::root() + u"/dotfiles/quillmark.conf"_s;
        WriteFileBytes(target, "[Parcelon]\nText4=Bayport\n");
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(u"../../dotfiles/quillmark.conf"_s, path));
        QVERIFY(SettingsStore().write(u"Text4"_s, u"Harbor"_s));
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(ReadFileBytes(target), QByteArray("[Parcelon]\nText4=Harbor\n"));
        QCOMPARE(modeOf(target), mode_t(0640));
        QVERIFY(QFile::remove(path));
    }

    // Two running copies writing different keys at the same time: the last
    // write per key wins and no key is dropped.
    void twoProcessesLoseNothing()
    {
        QProcess first, second;
        for (auto [process, key] : {std::pair{&first, "1"}, std::pair{&second, "7"}})
            process->start(QCoreApplication::applicationFilePath(), {u"--write-keys-from"_s, QString::fromLatin1(key)});
        for (QProcess *process : {&first, &second}) {
            const bool finished = process->waitForFinished(120000);
            if (!finished)
                process->kill();
            QVERIFY(finished);
            QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
        }
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(readFromDiskCopy(u"Text%1"_s.arg(n)),
                     u"%1-%2"_s.arg(n).arg(kChildRounds - 1, 3, 10, QLatin1Char('0')));
    }
};

int main(int argc, char *argv[])
{
    // A child process of twoProcessesLoseNothing, in its parent's environment:
    // six keys, values of equal length, every round.
    if (argc == 3 && qstrcmp(argv[1], "--write-keys-from") == 0) {
        QCoreApplication app(argc, argv);
        SettingsStore store;
        const int first = atoi(argv[2]);
        for (int round = 0; round < kChildRounds; ++round) {
            for (int n = first; n < first + 6; ++n) {
                // A machine under load may keep the other child in the lock
                // for long; the program would try again with the next key.
                const QString key = u"Text%1"_s.arg(n);
                const QString value = u"%1-%2"_s.arg(n).arg(round, 3, 10, QLatin1Char('0'));
                for (int attempt = 1; !store.write(key, value); ++attempt) {
                    if (attempt == 20) {
                        std::fprintf(stderr, "%s: %s\n", qPrintable(key), qPrintable(store.lastError()));
                        return 1;
                    }
                    QThread::msleep(50);
                }
            }
        }
        return 0;
    }
    TestEnvironment::install();
    QApplication app(argc, argv);
    tst_SettingsStore tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_settingsstore.moc"
