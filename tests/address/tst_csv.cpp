// The list reader on its own, a few bytes at a time: quoting, separators,
// line ends and encodings as spreadsheets and shops write them.

#include "address/Csv.h"
#include "tests/support/TestMain.h"

#include <QBuffer>

namespace {

// "2:[Ada|Xu] 3:[...]": each record with the line it starts on.
QString readAll(const QByteArray &bytes, bool *windows1252 = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer);
    QStringList records;
    CsvRecord record;
    while (reader.next(record))
        records << QStringLiteral("%1:[%2]").arg(record.line).arg(record.fields.join(u'|'));
    if (windows1252)
        *windows1252 = reader.fellBackToWindows1252();
    return records.join(u' ');
}

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

} // namespace

class tst_Csv : public QObject
{
    Q_OBJECT

private slots:
    void readsRecordsAsWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("records");
        QTest::addColumn<bool>("windows1252");
        QTest::newRow("commas") << QByteArray("name,zip\nXu,53703\n") << QStringLiteral("1:[name|zip] 2:[Xu|53703]")
                                << false;
        QTest::newRow("a separator inside quotes") << QByteArray("name,zip\n\"Xu, Ada\",\"53703\"\n")
                                                   << QStringLiteral("1:[name|zip] 2:[Xu, Ada|53703]") << false;
        QTest::newRow("doubled quotes inside quotes")
            << QByteArray("name\n\"Ada \"\"Bud\"\" Xu\"\n") << QStringLiteral("1:[name] 2:[Ada \"Bud\" Xu]") << false;
        QTest::newRow("a line break inside quotes (CR LF), the next record's line after it")
            << QByteArray("street,zip\r\n\"1 Elm St\r\nApt 2\",53703\r\nOak,10001\r\n")
            << QStringLiteral("1:[street|zip] 2:[1 Elm St\nApt 2|53703] 4:[Oak|10001]") << false;
        QTest::newRow("semicolons, found from the first line")
            << QByteArray("name;street;zip\nXu;1, Elm St;53703\n")
            << QStringLiteral("1:[name|street|zip] 2:[Xu|1, Elm St|53703]") << false;
        QTest::newRow("tabs") << QByteArray("name\tzip\nXu\t53703\n") << QStringLiteral("1:[name|zip] 2:[Xu|53703]")
                              << false;
        QTest::newRow("CR line ends, no end at the last")
            << QByteArray("a,b\r1,2") << QStringLiteral("1:[a|b] 2:[1|2]") << false;
        QTest::newRow("empty fields") << QByteArray("a,b,c\n,,\n") << QStringLiteral("1:[a|b|c] 2:[||]") << false;
        QTest::newRow("UTF-8 with a byte-order mark")
            << QByteArray("\xEF\xBB\xBFname\nZo\xC3\xAB\n") << QStringLiteral("1:[name] 2:[Zo\u00EB]") << false;
        QTest::newRow("UTF-16 with a byte-order mark")
            << utf16le(QStringLiteral("name,zip\n\"Zo\u00EB \u0141\",53703\n"))
            << QStringLiteral("1:[name|zip] 2:[Zo\u00EB \u0141|53703]") << false;
        QTest::newRow("Windows-1252") << QByteArray("name\nZo\xEB \x80\n")
                                      << QStringLiteral("1:[name] 2:[Zo\u00EB \u20AC]") << true;
    }

    void readsRecordsAsWritten()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, records);
        QFETCH(bool, windows1252);
        bool fellBack = false;
        QCOMPARE(readAll(bytes, &fellBack), records);
        QCOMPARE(fellBack, windows1252);
    }
};

PARCELON_TEST_MAIN(tst_Csv)
#include "tst_csv.moc"
