#include "SettingsStore.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {
// A copy of the settings file read by a QSettings of its own: Qt shares the
// parsed file between the QSettings of one process, so only a fresh file name
// shows what a restarted program would read from disk.
QString readFromDiskCopy(const QString &key)
{
    const QString copy = TestEnvironment::temp() + u"/copy-%1.conf"_s.arg(key);
    QFile::remove(copy);
    if (!QFile::copy(TestEnvironment::settingsFile(), copy))
        return u"<no settings file>"_s;
    const QVariant value = QSettings(copy, QSettings::IniFormat).value(u"Parcelon/"_s + key);
    return value.isValid() ? value.toString() : u"<missing>"_s;
}
} // namespace

class SettingsStoreTest : public QObject
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
        // No scratch files are left beside it.
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
        QTest::newRow("control characters") << u"line 1\nline 2\r\n\t\x01" "b\x1f" "7\x7f" "F"_s + QChar(0) + u"1"_s;
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
};

PARCELON_TEST_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
