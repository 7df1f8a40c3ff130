// Address lists as shops export them: RFC 4180 quoting, byte-order marks,
// line breaks and accents inside fields, blank rows, and broken files.

#include "address/AddressList.h"
#include "core/Failure.h"
#include "tests/support/TestMain.h"

namespace {

QStringList defaults()
{
    QStringList fields;
    for (int field = 1; field <= 12; ++field)
        fields << QStringLiteral("default%1").arg(field);
    return fields;
}

} // namespace

class tst_AddressList : public QObject
{
    Q_OBJECT

private slots:
    void hostileValuesArriveExactly()
    {
        const QString longField(1000, QChar(u'é'));
        // Columns out of order, two sender columns, CR LF records, a BOM,
        // quotes, commas and a line break inside fields, a blank row and a
        // row of empty cells, and no line break after the last row.
        const QByteArray csv = QByteArray("\xEF\xBB\xBF")
            + QString(
                  QStringLiteral(
                      " Recipient_Zip,recipient_name,sender_city,recipient_company,recipient_street,recipient_city,recipient_state,sender_name\r\n"
                      "04101,\"Say \"\"hi\"\", Zoë\",Harbourton,\"Acme, Inc.\",\"7 Wharf Lane\r\nBack door\",Zürich,ME,Ådne\r\n"
                      "\r\n"
                      ",,,,,,,\r\n"
                      "53703,Tomasz,,%1,88 Orchard Row,Lakeview,WI,\"\"\r\n"
                      "00001,Last,x,y,z,c,s,n"))
                  .arg(longField)
                  .toUtf8();

        const QList<AddressRow> rows = AddressList::read(csv, defaults());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].line, 2);
        QCOMPARE(rows[1].line, 6);
        QCOMPARE(rows[2].line, 7);

        QStringList first = defaults();
        first[3] = QStringLiteral("Harbourton"); // sender city
        first[1] = QStringLiteral("Ådne");       // sender name
        first[6] = QStringLiteral("Acme, Inc.");
        first[7] = QStringLiteral("Say \"hi\", Zoë");
        first[8] = QStringLiteral("7 Wharf Lane\nBack door");
        first[9] = QStringLiteral("Zürich");
        first[10] = QStringLiteral("ME");
        first[11] = QStringLiteral("04101");
        QCOMPARE(rows[0].fields, first);

        // Empty cells are values too: they do not fall back to the defaults.
        QCOMPARE(rows[1].fields[3], QString());
        QCOMPARE(rows[1].fields[1], QString());
        QCOMPARE(rows[1].fields[6], longField);
        QCOMPARE(rows[1].fields[0], QStringLiteral("default1"));
        QCOMPARE(rows[2].fields[11], QStringLiteral("00001"));
    }

    void unusableListsNameTheLine_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("reason");
        const QByteArray header =
            "recipient_company,recipient_name,recipient_street,recipient_city,recipient_state,recipient_zip\n";
        QTest::newRow("short row") << header + "a,b,c,d,e,f\n\"x\ny\",b,c,d,e\n"
                                   << "line 3: 5 fields, but the header names 6";
        QTest::newRow("long row") << header + "a,b,c,d,e,f,g\n"
                                  << "line 2: 7 fields";
        QTest::newRow("quote never closed") << header + "a,b,c,d,e,f\n\"a,b,c,d,e,f\n"
                                            << "line 3: a quoted field is never closed";
        QTest::newRow("text after a quote") << header + "\"a\"b,b,c,d,e,f\n"
                                            << "line 2: text follows";
        QTest::newRow("unknown column") << QByteArray("recipient_nmae,") + header
                                        << "line 1: unknown column \"recipient_nmae\"";
        QTest::newRow("column twice") << QByteArray("sender_zip,Sender_Zip,") + header
                                      << "line 1: the column sender_zip is named twice";
        QTest::newRow("recipient column missing")
            << QByteArray("recipient_company,recipient_name,recipient_street,recipient_city,recipient_state\n")
            << "line 1: the column recipient_zip is missing";
        QTest::newRow("header only") << header + "\n,,,,,\n"
                                     << "no addresses";
        QTest::newRow("empty file") << QByteArray() << "line 1: the first line must name the columns";
        QTest::newRow("not UTF-8") << header + "a,b,c,d,e,f\nCaf\xE9,b,c,d,e,f\n"
                                   << "line 3: is not UTF-8 text";
        QTest::newRow("NUL byte") << header + QByteArray("a,b,c\0,d,e,f\n", 13) << "line 2: holds a NUL character";
    }

    void unusableListsNameTheLine()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, reason);
        try {
            AddressList::read(csv, defaults());
            QFAIL("the list was accepted");
        } catch (const Failure &failure) {
            QVERIFY2(failure.description().contains(reason), qPrintable(failure.description()));
        }
    }
};

PARCELON_TEST_MAIN(tst_AddressList)
#include "tst_addresslist.moc"
