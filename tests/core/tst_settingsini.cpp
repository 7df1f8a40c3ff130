// The settings file's writer on its own: whatever a field holds is written
// so that QSettings (and this reader) read it back as typed, and nothing
// outside the key's line changes.

#include "core/SettingsIni.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QSettings>

namespace {

const QByteArray kFile =
    "[Other]\r\nText1=theirs\r\n\r\n[Parcelon]\r\nText1=old\r\nText2=kept\r\n\r\n[Zeta]\r\nx=1\r\n";

} // namespace

class tst_SettingsIni : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatIsReadBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const QStringList values = {
            QStringLiteral("Tomasz Wilk"),
            QString(),
            QStringLiteral("Ada \"Bud\" Xu"),
            QStringLiteral("C:\\labels\\new"),
            QStringLiteral("Suite 4, Floor 2"),
            QStringLiteral("  blanks at both ends  "),
            QStringLiteral("a;b=c#d[e]"),
            QStringLiteral("@String(not a type)"),
            QStringLiteral("Zo\u00EB \u0141\u00F3d\u017A \u6771\u4EAC"),
            QStringLiteral("line one\nline two\ttab"),
            QStringLiteral("a control character\x01"
                           "beef"),
        };
        for (const QString &key : {QStringLiteral("Text1"), QStringLiteral("Text7")}) {
            for (const QString &value : values)
                QTest::addRow("%s = %s", qPrintable(key), qPrintable(value)) << key << value;
        }
    }

    void writesWhatIsReadBack()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QByteArray written = SettingsIni(kFile, QStringLiteral("Parcelon")).withValue(key, value);

        const SettingsIni again(written, QStringLiteral("Parcelon"));
        QCOMPARE(again.damage(), QString());
        QCOMPARE(again.value(key).value_or(QStringLiteral("(missing)")), value);

        // A file of its own: QSettings keeps what it read of a path.
        static int files = 0;
        const QString path = TestEnvironment::temp() + QStringLiteral("/settings%1.conf").arg(++files);
        WriteFileBytes(path, written);
        QSettings settings(path, QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("Parcelon/") + key).toString(), value);
        QCOMPARE(settings.value(QStringLiteral("Parcelon/Text2")).toString(), QStringLiteral("kept"));
        QCOMPARE(settings.value(QStringLiteral("Other/Text1")).toString(), QStringLiteral("theirs"));
        QCOMPARE(settings.value(QStringLiteral("Zeta/x")).toString(), QStringLiteral("1"));

        // Only the key's line changed (or one was added after the section's last).
        const bool existing = key == QLatin1String("Text1");
        const qsizetype last = kFile.indexOf("Text2=kept") + 10;
        const QByteArray before = existing ? kFile.left(kFile.indexOf("Text1=old") + 6) : kFile.left(last);
        const QByteArray after = existing ? kFile.mid(last - 12) : kFile.mid(last);
        QVERIFY2(written.startsWith(before) && written.endsWith(after), written.constData());
    }
};

PARCELON_TEST_MAIN(tst_SettingsIni)
#include "tst_settingsini.moc"
