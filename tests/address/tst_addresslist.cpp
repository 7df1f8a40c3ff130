// Address lists as shops export them: the table of header names, the
// encodings and delimiters, ZIP codes and countries, and lists refused with
// their line named.

#include "address/AddressList.h"
#include "core/Failure.h"
#include "tests/support/TestMain.h"

#include <QBuffer>
#include <QStringEncoder>

namespace {

QStringList defaults()
{
    QStringList fields;
    for (int field = 1; field <= 12; ++field)
        fields << QStringLiteral("d%1").arg(field);
    return fields;
}

// Sender d1..d6, then the recipient as given.
QStringList expected(const QStringList &recipient)
{
    return defaults().mid(0, 6) + recipient;
}

AddressListReading readBytes(const QByteArray &bytes, const QStringList &mappings = {},
                             const QStringList &fieldDefaults = defaults())
{
    QMap<int, QString> columnOfField;
    for (const QString &mapping : mappings) {
        const auto [field, column] = AddressList::parseMapping(mapping);
        columnOfField[field] = column;
    }
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return AddressList::read(buffer, QStringLiteral("list.csv"), fieldDefaults, columnOfField);
}

QByteArray encoded(const QString &text, QStringEncoder::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

} // namespace

class tst_AddressList : public QObject
{
    Q_OBJECT

private slots:
    // The table of known column names, one export per program or shop.
    void headersOfEachExport_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("mappings");
        QTest::addColumn<QStringList>("fields");
        const QStringList harbor = {"Harborline", "Jordan Ellery", "1200 Harbor Loop, Apt 4", "Bayport", "TX", "77500"};
        QTest::newRow("Shopify") << QByteArray(
            "Name,Email,Lineitem name,Shipping Name,Shipping Street,Shipping Address1,Shipping Address2,"
            "Shipping Company,Shipping City,Shipping Zip,Shipping Province,Shipping Country\n"
            "#1001,j@e.example,Mug,Jordan Ellery,1200 Harbor Loop Apt 4,1200 Harbor Loop,Apt 4,"
            "Harborline,Bayport,77500,TX,US\n")
                                 << QStringList() << expected(harbor);
        QTest::newRow("WooCommerce") << QByteArray(
            "order_id,shipping_first_name,shipping_last_name,shipping_company,shipping_address_1,"
            "shipping_address_2,shipping_city,shipping_state,shipping_postcode,shipping_country\n"
            "77,Jordan,Ellery,Harborline,1200 Harbor Loop,Apt 4,Bayport,TX,77500,US\n")
                                     << QStringList() << expected(harbor);
        QTest::newRow("Etsy") << QByteArray(
            "Sale Date,Order ID,First Name,Last Name,Full Name,Street 1,Street 2,Ship City,Ship State,"
            "Ship Zipcode,Ship Country\n"
            "12/01/26,9,Jo,Ell,Jordan Ellery,1200 Harbor Loop,Apt 4,Bayport,TX,77500,United States\n")
                              << QStringList()
                              << expected({"d7", "Jordan Ellery", "1200 Harbor Loop, Apt 4", "Bayport", "TX", "77500"});
        QTest::newRow("eBay") << QByteArray("Sales Record Number,Ship To Name,Ship To Address 1,Ship To Address 2,"
                                            "Ship To City,Ship To State,Ship To Zip,Ship To Country\n"
                                            "5,Jordan Ellery,1200 Harbor Loop,Apt 4,Bayport,TX,77500,USA\n")
                              << QStringList()
                              << expected({"d7", "Jordan Ellery", "1200 Harbor Loop, Apt 4", "Bayport", "TX", "77500"});
        QTest::newRow("PayPal")
            << QByteArray("\"Date\",\"Name\",\"Type\",\"Shipping Address Line 1\",\"Shipping Address Line 2\","
                          "\"Town/City\",\"State/Province/Region/County/Territory/Prefecture/Republic\","
                          "\"Zip/Postal Code\",\"Country\"\n"
                          "\"12/1/2026\",\"Jordan Ellery\",\"Payment\",\"1200 Harbor Loop\",\"Apt 4\",\"Bayport\","
                          "\"TX\",\"77500\",\"United States\"\n")
            << QStringList() << expected({"d7", "Jordan Ellery", "1200 Harbor Loop, Apt 4", "Bayport", "TX", "77500"});
        QTest::newRow("Amazon") << QByteArray("order-id\tbuyer-name\trecipient-name\tship-address-1\tship-address-2\t"
                                              "ship-address-3\tship-city\tship-state\tship-postal-code\tship-country\n"
                                              "111-2\tBuyer Person\tJordan Ellery\t1200 Harbor Loop\tApt 4\tBldg C\t"
                                              "Bayport\tTX\t77500\tUS\n")
                                << QStringList()
                                << expected({"d7", "Jordan Ellery", "1200 Harbor Loop, Apt 4, Bldg C", "Bayport", "TX",
                                             "77500"});
        QTest::newRow("Squarespace") << QByteArray("Order ID,Shipping Name,Shipping Address1,Shipping Address2,"
                                                   "Shipping City,Shipping Province,Shipping Zip,Shipping Country\n"
                                                   "00042,Jordan Ellery,1200 Harbor Loop,Apt 4,Bayport,TX,77500,US\n")
                                     << QStringList()
                                     << expected({"d7", "Jordan Ellery", "1200 Harbor Loop, Apt 4", "Bayport", "TX",
                                                  "77500"});
        QTest::newRow("ours, any spelling")
            << QByteArray("Recipient Name;RECIPIENT-STREET;recipient city;Sender_Name;recipient_zip\n"
                          "Jordan Ellery;1200 Harbor Loop;Bayport;Dana;77500\n")
            << QStringList()
            << QStringList{"d1",      "Dana", "d3",   "d4", "d5", "d6", "d7", "Jordan Ellery", "1200 Harbor Loop",
                           "Bayport", "d11",  "77500"};
        QTest::newRow("--map over the table")
            << QByteArray("Customer,Shipping Name,Addr,Town,Zip\nJordan Ellery,Someone Else,1200 Harbor Loop,"
                          "Bayport,77500\n")
            << QStringList{"recipient_name=customer", "Recipient-Street = Addr", "recipient_city=Town"}
            << expected({"d7", "Jordan Ellery", "1200 Harbor Loop", "Bayport", "d11", "77500"});
        QTest::newRow("--map joins columns")
            << QByteArray("First,Last,Addr A,Addr B,Town\nJordan,Ellery,1200 Harbor Loop,Apt 4,Bayport\n")
            << QStringList{"recipient_name=First+Last", "recipient_street=Addr A + Addr B", "recipient_city=Town"}
            << expected({"d7", "Jordan Ellery", "1200 Harbor Loop, Apt 4", "Bayport", "d11", "d12"});
    }

    void headersOfEachExport()
    {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, mappings);
        QFETCH(QStringList, fields);
        const AddressListReading reading = readBytes(list, mappings);
        QCOMPARE(reading.rows.size(), 1);
        QCOMPARE(reading.rows[0].line, 2);
        QCOMPARE(reading.rows[0].fields, fields);
    }

    // Each shop's export as downloaded: one label per order to be sent, with
    // the ship-to address as the carrier wants it. A label is written
    // "company|name|street|city|state|zip|country".
    void shopExportsAsDownloaded_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("skipped"); // "line: reason" for each row left out
        QTest::addColumn<QString>("notice");
        const QString merged = QStringLiteral("a further item of its order, on the order's label");
        const QString done = QStringLiteral("an order cancelled, refunded or already sent (--all-orders makes its "
                                            "label)");
        const QString zip4 = QStringLiteral("78701\u20113232");
        QTest::newRow("Shopify") << "shopify-orders.csv"
                                 << QStringList{"|Owen Quint|77 Chestnut Ave, Apt 3|Jamaica Plain|MA|02130|",
                                                "|Lee Tremblay|350 Rue Sherbrooke O|Montréal QC H3A 1B9|||CANADA",
                                                "|Rosa Díaz|Calle Luna 12|San Juan|PR|00901|"}
                                 << QStringList{"3: " + merged, "5: " + done, "6: " + done, "8: " + done}
                                 << "columns not used: Email";
        QTest::newRow("WooCommerce")
            << "woocommerce-orders.csv"
            << QStringList{"|Alma Reyes|41 Pleasant St, Unit 2|Concord|NH|03301|",
                           "|Dale Frost|Unit 45013 Box 2666|APO|AP|96338|",
                           "Lin Design|Tess Lin|500 Pine St, Suite 210|San Francisco|CA|"
                           "94108\u20111502|",
                           "|Harriet Vane|27 Great Portland St|London\nW1W 8QG|||UNITED KINGDOM"}
            << QStringList{"3: " + merged, "6: " + done, "8: " + done} << "State Name (Shipping)";
        QTest::newRow("Etsy sold order items")
            << "etsy-sold-order-items.csv"
            << QStringList{"|Nadia Brooks|210 W 11th St, Apt 5C|New York|NY|10014|",
                           "|Liam Carter|12 Beach Rd|Bondi NSW 2026|||AUSTRALIA",
                           "|Jonas Weber|Hauptstraße 5|10115 Berlin|||GERMANY"}
            << QStringList{"3: " + merged, "6: " + merged, "7: " + done} << "columns not used: Sale Date";
        const QStringList ebay = {"|Wendell Park|1500 Main St, Ste 200|Dallas|TX|75201|",
                                  "|Ana Brin|12 Kongens Gade|Charlotte Amalie|VI|00802|",
                                  "|Claire Martin|8 rue de Rivoli|75001 Paris|||FRANCE"};
        QTest::newRow("eBay, blank first line")
            << "ebay-orders-blank-first-line.csv" << ebay
            << QStringList{"4: " + merged, "5: " + merged, "8: " + done, "9: blank"}
            << "the list ends at line 9; lines 10, 11 after it are not rows (\"5 record(s) downloaded from";
        QTest::newRow("eBay, first line of commas")
            << "ebay-orders-commas-first-line.csv" << ebay
            << QStringList{"4: " + merged, "5: " + merged, "8: " + done, "9: blank"}
            << "columns not used: Sales Record Number, Buyer Username, Buyer Name, Buyer Email, Buyer Note, Buyer "
               "Address 1, Buyer Address 2, Buyer City, Buyer State, Buyer Zip, Buyer Country, Buyer Tax Identifier "
               "Name and 55 more";
        QTest::newRow("eBay, summary lines")
            << "ebay-orders-summary-lines.csv" << ebay
            << QStringList{"3: " + merged, "4: " + merged, "7: " + done, "8: blank"} << "lines 9, 10 after it";
        QTest::newRow("PayPal") << "paypal-activity.csv"
                                << QStringList{"|Grace Hill|88 Harbor View Rd|Portland|ME|04101|",
                                               "|Nina Hale|19 Linden Ave, Apt 4|Madison|WI|53703|",
                                               "|Omar Said|Flat 2, 10 Queen St|Edinburgh\nEH2 1JQ|||UNITED KINGDOM"}
                                << QStringList{"4: no recipient address", "5: no recipient address"}
                                << "columns not used: Date";
        QTest::newRow("Amazon") << "amazon-unshipped.txt"
                                << QStringList{"|Helen Ortiz|600 Congress Ave, Fl 3|Austin|TX|" + zip4 + "|",
                                               "|Ray Kim|44 Marine Dr|Tamuning|GU|96913|"}
                                << QStringList{"3: " + merged} << "buyer-name";
        QTest::newRow("Squarespace") << "squarespace-orders.csv"
                                     << QStringList{"|Priya Shah|200 Bay St, Suite 1400|Toronto ON M5J 2J5|||CANADA",
                                                    "|Evan Cole|1301 2nd Ave|Seattle|WA|98101|"}
                                     << QStringList{"3: " + merged, "5: " + done, "6: " + done}
                                     << "countries written as their English names in capitals (lines 2, 3)";
        QTest::newRow("kept by hand")
            << "hand-kept-list.csv"
            << QStringList{"|Martha Keene|16 Orchard Ln|Hanover|NH|03755|",
                           "Keene Farm Supply|Tom Keene|2 Mill Rd, Bldg B|Woodstock|VT|05091|",
                           "|Luis Rivera|Calle Sol 301|Ponce|PR|00731|"}
            << QStringList{"5: blank", "6: no recipient address"} << "leading zero a spreadsheet drops (lines 2, 3, 4)";
    }

    void shopExportsAsDownloaded()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, skipped);
        QFETCH(QString, notice);
        const QString path = QStringLiteral(PARCELON_EXPORTS_DIR "/") + file;
        const QStringList listDefaults = AddressList::listDefaults(defaults());
        const AddressListReading reading = AddressList::readFile(path, listDefaults);
        QStringList made;
        for (const AddressRow &row : reading.rows) {
            QCOMPARE(row.fields.mid(0, 6), defaults().mid(0, 6));
            made << (row.fields.mid(6, 6) << row.fields.value(12)).join(QLatin1Char('|'));
        }
        QCOMPARE(made, labels);
        QStringList left;
        for (const SkippedRow &row : reading.skipped)
            left << QStringLiteral("%1: %2").arg(row.line).arg(row.reason);
        QCOMPARE(left, skipped);
        QVERIFY2(reading.notices.join(QLatin1Char('|')).contains(notice), qPrintable(reading.notices.join('|')));

        // All orders: those sent or called off take their labels too.
        const AddressListReading all = AddressList::readFile(path, listDefaults, {}, true);
        QCOMPARE(all.rows.size(), labels.size() + skipped.filter(QStringLiteral("--all-orders")).size());
    }

    // A Shopify order of two items, a blank row, an unused column named once.
    void skippedRowsAndNotices()
    {
        const AddressListReading reading = readBytes("Name,Lineitem name,Shipping Name,Shipping City\r\n"
                                                     "#1001,Mug,Jordan Ellery,Bayport\r\n"
                                                     "#1001,Spoon,,\r\n"
                                                     ",,,\r\n"
                                                     "#1002,Bowl,Tomasz Wilk,Lakeview\r\n");
        QCOMPARE(reading.rowsRead, 4);
        QCOMPARE(reading.rows.size(), 2);
        QCOMPARE(reading.rows[1].line, 5);
        QCOMPARE(reading.rows[1].fields[7], QStringLiteral("Tomasz Wilk"));
        QCOMPARE(reading.skipped.size(), 2);
        QCOMPARE(reading.skipped[0].line, 3);
        QCOMPARE(reading.skipped[0].reason, QStringLiteral("a further item of its order, on the order's label"));
        QCOMPARE(reading.skipped[1].line, 4);
        QCOMPARE(reading.notices, QStringList{QStringLiteral("list.csv: columns not used: Lineitem name")});

        // A name with no address (a PayPal fee or transfer) takes no label.
        const AddressListReading paypal = readBytes("Name,Type,Shipping Address Line 1,Town/City,Country\n"
                                                    "Bank Account,Withdrawal,,,\n"
                                                    "Al Xu,Payment,,,United States\n"
                                                    "Fay Gum,Payment,8 Birch,Salem,United States\n");
        QCOMPARE(paypal.rows.size(), 1);
        QCOMPARE(paypal.rows[0].fields[7], QStringLiteral("Fay Gum"));
        QCOMPARE(paypal.skipped.size(), 2);
        QCOMPARE(paypal.skipped[1].reason, QStringLiteral("no recipient address"));

        // An empty sender cell keeps the sender given otherwise.
        const AddressListReading senders = readBytes(
            "recipient_name,recipient_city,sender_name,sender_zip\nAda,Troy,Shop,53703\nBo,Troy,,\n");
        QCOMPARE(senders.rows[0].fields.mid(0, 6), (QStringList{"d1", "Shop", "d3", "d4", "d5", "53703"}));
        QCOMPARE(senders.rows[1].fields.mid(0, 6), defaults().mid(0, 6));
        // With none given otherwise, such a row has no sender and is refused.
        try {
            readBytes("recipient_name,recipient_city,sender_name\nAda,Troy,Shop\nBo,Troy,\n", {}, QStringList(12));
            QFAIL("a row without a sender was accepted");
        } catch (const Failure &failure) {
            QVERIFY2(failure.description().startsWith(QLatin1String("list.csv, line 3: no sender address")),
                     qPrintable(failure.description()));
        }
    }

    void textAsExported_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("street");
        QTest::addColumn<QString>("notice");
        const QString name = QStringLiteral("Zoë Ådne “Z”");
        QTest::newRow("UTF-8 with BOM, comma, CR LF")
            << QByteArray("\xEF\xBB\xBFrecipient_name,recipient_street\r\n") + name.toUtf8() + ",\"7 Wharf, Lane\"\r\n"
            << name << "7 Wharf, Lane" << QString();
        QTest::newRow("UTF-8, semicolon, quoted line break")
            << QByteArray("recipient_name;recipient_street\n") + name.toUtf8() + ";\"7 Wharf; Lane\nBack door\"\n"
            << name << "7 Wharf; Lane\nBack door" << QString();
        QTest::newRow("Excel's sep= line") << QByteArray(
            "sep=;\r\nrecipient_name;recipient_street\r\nAda;\"7 Wharf, Lane\"\r\n" + name.toUtf8() + ";x\r\n")
                                           << name << "x" << QString();
        QTest::newRow("UTF-16 LE, tab") << encoded(QStringLiteral("recipient-name\tship-address-1\r\n%1\t7 Wharf, "
                                                                  "Lane\r\n")
                                                       .arg(name),
                                                   QStringEncoder::Utf16LE)
                                        << name << "7 Wharf, Lane" << QString();
        QTest::newRow("UTF-16 BE, comma")
            << encoded(QStringLiteral("recipient_name,recipient_street\n%1,\"7 Wharf, Lane\"\n").arg(name),
                       QStringEncoder::Utf16BE)
            << name << "7 Wharf, Lane" << QString();
        QTest::newRow("tab, never quoted, a quoted nickname")
            << QByteArray("recipient-name\tship-address-1\nAda\t1 Elm St\n\"Bud\" Smith\t\"Rear\" 9 Oak Ave\n")
            << "\"Bud\" Smith"
            << "\"Rear\" 9 Oak Ave" << QString();
        // ASCII until the third line, as a spreadsheet saves it.
        QTest::newRow("Windows-1252, CR only")
            << QByteArray("recipient_name,recipient_street\rAda,1 Elm St\rZo\xEB \x93Z\x94,Caf\xE9 \x80 Row\r")
            << "Zoë “Z”"
            << "Café € Row"
            << "list.csv is not UTF-8 text: read as Windows-1252";
        // The five bytes the code page leaves free keep their Latin-1 value, as Windows reads them.
        QTest::newRow("Windows-1252, its free bytes")
            << QByteArray("recipient_name,recipient_street\nAda \x8A\x9F,\x81\x8D\x8F\x90\x9D \x99\n")
            << "Ada \u0160\u0178"
            << "\u0081\u008D\u008F\u0090\u009D \u2122"
            << "list.csv is not UTF-8 text: read as Windows-1252";
    }

    void textAsExported()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, name);
        QFETCH(QString, street);
        QFETCH(QString, notice);
        const AddressListReading reading = readBytes(list);
        const AddressRow &row = reading.rows.last();
        QCOMPARE(row.fields[7], name);
        QCOMPARE(row.fields[8], street);
        QCOMPARE(reading.notices.filter(QStringLiteral("UTF-8")).join(QString()), notice);
    }

    // Values as carriers want them: the cells as a shop or spreadsheet
    // leaves them, and the recipient's city line and country line after.
    void valuesAsCarriersWantThem_data()
    {
        QTest::addColumn<QStringList>("cells"); // city, state, zip, country
        QTest::addColumn<QStringList>("label"); // city, state, zip, country line
        QTest::addColumn<QString>("notice");
        using L = QStringList;
        const QString hyphen(QChar(u'\u2011'));
        QTest::newRow("zero lost") << L{"Portland", "ME", "4101", ""} << L{"Portland", "ME", "04101", ""}
                                   << "leading zero a spreadsheet drops (line 2)";
        QTest::newRow("ZIP+4 run together")
            << L{"Madison", "WI", "537031234", "USA"} << L{"Madison", "WI", "53703" + hyphen + "1234", ""}
            << "with a hyphen (line 2)";
        QTest::newRow("ZIP+4 kept on one line") << L{"San Francisco", "CA", "94108-1502", "United States"}
                                                << L{"San Francisco", "CA", "94108" + hyphen + "1502", ""} << "";
        QTest::newRow("apostrophe") << L{"Boston", "MA", "'02134", "US"} << L{"Boston", "MA", "02134", ""}
                                    << "a leading ' or =\"...\" a spreadsheet keeps taken off (line 2)";
        QTest::newRow("formula wrapper") << L{"Troy", "NY", "=\"12180\"", "us"} << L{"Troy", "NY", "12180", ""}
                                         << "taken off";
        QTest::newRow("state written out") << L{"Concord", "new  hampshire", "03301", ""}
                                           << L{"Concord", "NH", "03301", ""} << "two-letter codes (line 2)";
        QTest::newRow("military, region written out")
            << L{"APO", "Armed Forces Pacific", "96338", "US"} << L{"APO", "AP", "96338", ""} << "";
        QTest::newRow("military, no country") << L{"FPO", "AE", "09501", ""} << L{"FPO", "AE", "09501", ""} << "";
        QTest::newRow("Puerto Rico as a country, 3-digit ZIP")
            << L{"San Juan", "", "901", "PR"} << L{"San Juan", "PR", "00901", ""} << "leading zero";
        QTest::newRow("Virgin Islands by name") << L{"Charlotte Amalie", "VI", "802", "U.S. Virgin Islands"}
                                                << L{"Charlotte Amalie", "VI", "00802", ""} << "";
        QTest::newRow("Guam") << L{"Tamuning", "", "96913", "GUM"} << L{"Tamuning", "GU", "96913", ""} << "";
        QTest::newRow("Canada: city, province, postcode")
            << L{"Toronto", "ON", "M5J 2J5", "CA"} << L{"Toronto ON M5J 2J5", "", "", "CANADA"}
            << "English names in capitals (line 2)";
        QTest::newRow("Canada, 3 letters")
            << L{"Montréal", "QC", "H3A 1B9", "CAN"} << L{"Montréal QC H3A 1B9", "", "", "CANADA"} << "";
        QTest::newRow("UK: postcode on its own line")
            << L{"London", "", "W1W 8QG", "GB"} << L{"London\nW1W 8QG", "", "", "UNITED KINGDOM"} << "";
        QTest::newRow("UK by another name") << L{"Edinburgh", "", "EH2 1JQ", "Great Britain"}
                                            << L{"Edinburgh\nEH2 1JQ", "", "", "UNITED KINGDOM"} << "";
        QTest::newRow("Australia") << L{"Bondi", "NSW", "2026", "Australia"} << L{"Bondi NSW 2026", "", "", "AUSTRALIA"}
                                   << "";
        QTest::newRow("Germany: postcode first")
            << L{"Berlin", "", "10115", "DEU"} << L{"10115 Berlin", "", "", "GERMANY"} << "";
        QTest::newRow("France, no state")
            << L{"Paris", "", "75001", "france"} << L{"75001 Paris", "", "", "FRANCE"} << "";
        QTest::newRow("unknown country kept")
            << L{"Atlantis", "", "", "Atlantis"} << L{"Atlantis", "", "", "ATLANTIS"} << "";
    }

    void valuesAsCarriersWantThem()
    {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, label);
        QFETCH(QString, notice);
        const AddressListReading reading = readBytes(
            QStringLiteral("recipient_name,recipient_city,recipient_state,recipient_zip,recipient_country,"
                           "sender_zip\nAda,%1,%2,%3,%4,3100\n")
                .arg(cells[0], cells[1], cells[2], cells[3])
                .toUtf8());
        const QStringList &fields = reading.rows[0].fields;
        QCOMPARE(fields.mid(9), label.mid(0, label[3].isEmpty() ? 3 : 4));
        QCOMPARE(fields[5], QStringLiteral("03100")); // the sender's, from the list too
        if (!notice.isEmpty())
            QVERIFY2(reading.notices.join(QLatin1Char('|')).contains(notice), qPrintable(reading.notices.join('|')));
    }

    // In the window the typed sender fills what a list lacks, but the typed
    // recipient is nobody's on the list: its missing fields stay empty.
    void windowDefaults()
    {
        QByteArray data("recipient_name,sender_name,recipient_city\nAda,Kim,Troy\n");
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        const AddressListReading reading = AddressList::read(buffer, QStringLiteral("list.csv"),
                                                             AddressList::listDefaults(defaults()));
        QCOMPARE(reading.rows[0].fields,
                 (QStringList{"d1", "Kim", "d3", "d4", "d5", "d6", "", "Ada", "", "Troy", "", ""}));
    }

    void unusableListsNameTheLine_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("reason");
        const QByteArray header = "recipient_name,recipient_street,recipient_city\n";
        QTest::newRow("short row") << header + "a,b,c\n\"x\ny\",b\n"
                                   << "list.csv, line 3: 2 fields, but the header names 3";
        QTest::newRow("quote never closed") << header + "a,b,c\n\"a,b,c\n"
                                            << "list.csv, line 3: a quoted field is never closed";
        QTest::newRow("text after a quote over lines") << header + "\"a\nx\"b,b,c\n"
                                                       << "list.csv, line 3: text follows";
        QTest::newRow("field too long") << header + "a,b,c\na," + QByteArray(1001, 'x') + ",c\n"
                                        << "list.csv, line 3: the column recipient_street holds 1001 characters";
        QTest::newRow("line over 64 KiB") << header + "a,b,c\n" + QByteArray(70000, ',') + "\n"
                                          << "list.csv, line 3: longer than 64 KiB";
        QTest::newRow("quote runs on") << header + "a,b,c\n\"" + QByteArray(40, 'x') + "\n" + QByteArray(70000, 'x')
                                       << "list.csv, line 3: the row that starts here runs on for more than 64 KiB";
        QByteArray tooMany = header;
        for (int i = 0; i <= AddressList::kMaxAddresses; ++i)
            tooMany += "a,b,c\n";
        QTest::newRow("too many addresses") << tooMany << "list.csv, line 10002: more than 10,000 addresses";
        QTest::newRow("no address column")
            << QByteArray("Order,Sku,Name\n1,2,Ada\n")
            << "list.csv, line 1: no column gives the recipient's street, city or ZIP code, so no label was made; "
               "the list has Order, Sku, Name; the names known are recipient_name: recipient_name, Shipping Name";
        QTest::newRow("--map names no column") << QByteArray("--map") << "--map recipient_city=Town names a column";
        QTest::newRow("column twice") << QByteArray("Recipient_Name,recipient name\n")
                                      << "list.csv, line 1: the column \"Recipient_Name\" is named twice";
        QTest::newRow("header only") << header + "\n,,\n"
                                     << "list.csv: no row holds a recipient address";
        QTest::newRow("empty file") << QByteArray()
                                    << "list.csv, line 1: the first line with text must name the columns";
        QTest::newRow("UTF-8, then not") << header + "Zoë,b,c\nCaf\xE9,b,c\n"
                                         << "list.csv, line 3: is not UTF-8 text";
        QTest::newRow("NUL byte") << header + QByteArray("a,b\0,c\n", 7) << "list.csv, line 2: holds a NUL character";
    }

    void unusableListsNameTheLine()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, reason);
        const bool mapped = list == "--map";
        try {
            readBytes(mapped ? QByteArray("recipient_name,City\nAda,Bayport\n") : list,
                      mapped ? QStringList{QStringLiteral("recipient_city=Town")} : QStringList());
            QFAIL("the list was accepted");
        } catch (const Failure &failure) {
            QVERIFY2(failure.description().startsWith(mapped ? QStringLiteral("list.csv, line 1: ") : reason)
                         && failure.description().contains(reason),
                     qPrintable(failure.description()));
            QVERIFY(!failure.description().contains(QLatin1Char('\n')));
        }
    }

    // Only a plain file is read, and a missing one is called missing.
    void onlyAPlainFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "/nonexistent/orders.csv"
                                 << "there is no such file";
        QTest::newRow("folder") << "/"
                                << "it is not a file";
        QTest::newRow("device") << "/dev/zero"
                                << "it is not a file";
    }

    void onlyAPlainFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        try {
            AddressList::readFile(path, defaults(), {});
            QFAIL("the path was read");
        } catch (const Failure &failure) {
            QCOMPARE(failure.description(), QStringLiteral("cannot read %1: %2").arg(path, reason));
        }
    }

    void mappingText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("column");
        QTest::newRow("plain") << "sender_zip=Postcode" << 6 << "Postcode";
        QTest::newRow("spelled loosely") << "Recipient-Country = Ship To Country" << 13 << "Ship To Country";
        QTest::newRow("equals in the column") << "recipient_name=A=B" << 8 << "A=B";
        QTest::newRow("not a field") << "recipient_nmae=X" << 0 << "is not a field; the fields are sender_company";
        QTest::newRow("no column") << "recipient_name=" << 0 << "is not FIELD=COLUMN";
    }

    void mappingText()
    {
        QFETCH(QString, text);
        QFETCH(int, field);
        QFETCH(QString, column);
        try {
            const auto mapping = AddressList::parseMapping(text);
            QCOMPARE(mapping.first, field);
            QCOMPARE(mapping.second, column);
        } catch (const Failure &failure) {
            QVERIFY2(field == 0 && failure.description().contains(column), qPrintable(failure.description()));
        }
    }
};

PARCELON_TEST_MAIN(tst_AddressList)
#include "tst_addresslist.moc"
