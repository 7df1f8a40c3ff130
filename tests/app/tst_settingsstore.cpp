#include "SettingsStore.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {
// A copy of the settings file read by a QSettings of its own: Qt shares the
// parsed file between the QSettings of one process, so only a fresh file name
// shows what a restarted program would read from disk.
QString readFromDiskCopy(const QString &key)
{
    const QString copy = TestEnvironment::temp() + QStringLiteral("/copy-%1.conf").arg(key);
    QFile::remove(copy);
    if (!QFile::copy(TestEnvironment::settingsFile(), copy))
        return QStringLiteral("<no settings file>");
    QSettings fresh(copy, QSettings::IniFormat);
    const QVariant value = fresh.value(QStringLiteral("Parcelon/") + key);
    return value.isValid() ? value.toString() : QStringLiteral("<missing>");
}
} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void livesInTheQuillmarkFile()
    {
        SettingsStore store;
        QCOMPARE(store.fileName(), TestEnvironment::settingsFile());
        QVERIFY(store.write(QStringLiteral("Text1"), QStringLiteral("Acme")));
        QSettings raw(TestEnvironment::settingsFile(), QSettings::IniFormat);
        QCOMPARE(raw.childGroups(), QStringList{QStringLiteral("Parcelon")});
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("10000 chars") << QString(10000, QLatin1Char('W'));
        QTest::newRow("accents") << QStringLiteral("Café Müller, Ærøskøbing Straße");
        QTest::newRow("cjk") << QStringLiteral("東京都千代田区丸の内1-1");
        QTest::newRow("emoji") << QStringLiteral("Box 📦 to 🏠");
        QTest::newRow("ini syntax") << QStringLiteral("= [Parcelon] ; # \\ \" % %U %20 \\n");
        QTest::newRow("blanks") << QStringLiteral("  leading and trailing  ");
        QTest::newRow("at sign") << QStringLiteral("@Variant(\\0\\0\\0\\x7f)");
        QTest::newRow("at only") << QStringLiteral("@");
        QTest::newRow("comma list") << QStringLiteral("a, b, c");
        QTest::newRow("line breaks") << QStringLiteral("line 1\nline 2\r\nline 3\ttab");
        QTest::newRow("looks numeric") << QStringLiteral("03100");
        QTest::newRow("true") << QStringLiteral("true");
        QTest::newRow("control then hex digit") << QStringLiteral("a\x01" "b\x1f" "7\x7f" "F end");
        QTest::newRow("NUL") << QString(QChar(0)) + QStringLiteral("1");
        QTest::newRow("lone quote") << QStringLiteral("\"");
        QTest::newRow("quoted") << QStringLiteral("\"quoted, with comma\"");
        QTest::newRow("byte array look") << QStringLiteral("@ByteArray(abc)");
        QTest::newRow("semicolon start") << QStringLiteral("; not a comment");
        QTest::newRow("hash start") << QStringLiteral("# not a comment");
        QTest::newRow("section look") << QStringLiteral("[General]");
        QTest::newRow("surrogates and bidi") << QStringLiteral("\U0001F4E6\u200F\u202Eabc");
    }

    void roundTrip()
    {
        QFETCH(QString, value);
        const QString key = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        SettingsStore store;
        QVERIFY(store.write(key, value));
        QCOMPARE(store.read(key, QStringLiteral("default")), value);
        SettingsStore restarted;
        QCOMPARE(restarted.read(key, QStringLiteral("default")), value);
        QCOMPARE(readFromDiskCopy(key), value);
    }

    // Plain values stay readable in the file, as QSettings itself writes them.
    void fileKeepsPlainValuesReadable()
    {
        SettingsStore store;
        QVERIFY(store.write(QStringLiteral("Text8"), QStringLiteral("Jordan Ellery")));
        QVERIFY(store.write(QStringLiteral("Text6"), QStringLiteral("03100")));
        QFile file(TestEnvironment::settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith("[Parcelon]\n"));
        QVERIFY(text.contains("\nText8=Jordan Ellery\n"));
        QVERIFY(text.contains("\nText6=03100\n"));
        // No scratch files are left beside it.
        QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Quillmark.conf")});
    }

    void emptyIsNotMissing()
    {
        SettingsStore store;
        QCOMPARE(store.read(QStringLiteral("Text9"), QStringLiteral("1200 Harbor Loop")),
                 QStringLiteral("1200 Harbor Loop"));
        QVERIFY(store.write(QStringLiteral("Text9"), QString()));
        QCOMPARE(store.read(QStringLiteral("Text9"), QStringLiteral("1200 Harbor Loop")), QString());
        QCOMPARE(readFromDiskCopy(QStringLiteral("Text9")), QString());
    }

    void lastWriteWins()
    {
        SettingsStore a;
        SettingsStore b;
        QVERIFY(a.write(QStringLiteral("Text4"), QStringLiteral("first")));
        QVERIFY(b.write(QStringLiteral("Text4"), QStringLiteral("second")));
        QCOMPARE(SettingsStore().read(QStringLiteral("Text4"), QString()), QStringLiteral("second"));
    }
};

PARCELON_TEST_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
