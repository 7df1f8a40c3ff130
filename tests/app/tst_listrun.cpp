// What the window says about a list before its labels are made: the sender
// every label carries and the few lines of counts, from the list as read.

#include "address/AddressFields.h"
#include "address/AddressList.h"
#include "app/ListRun.h"
#include "tests/support/TestMain.h"

#include <QBuffer>

namespace {

QStringList typedWith(bool sampleSender)
{
    QStringList typed;
    for (int field = 1; field <= AddressFields::kCount; ++field)
        typed << (sampleSender || field > 6 ? AddressFields::sampleValue(field) : QString());
    if (!sampleSender)
        typed[1] = QStringLiteral("Rosa Adebayo"), typed[5] = QStringLiteral("03755");
    return typed;
}

} // namespace

class tst_ListRun : public QObject
{
    Q_OBJECT

private slots:
    void describesTheList_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<bool>("sampleSender"); // typed
        QTest::addColumn<QString>("sender");
        QTest::addColumn<bool>("saysSample");
        QTest::addColumn<QStringList>("summary");
        const QByteArray orders = "Order ID,Name,Street,City,State,Zip,Status\n"
                                  "7,Ada Xu,1 Elm St,Keene,New Hampshire,3431,\n"
                                  "7,Ada Xu,1 Elm St,Keene,New Hampshire,3431,\n"
                                  "8,Bo Li,9 Oak Rd,Derry,NH,03038,cancelled\n"
                                  "9,Cy Ng,,,,,\n"
                                  "10,Di Wu,2 Pine Rd,Dover,NH,03820,\n";
        QTest::newRow("merged, skipped, mended; the sample sender")
            << orders << true << AddressFields::sampleValue(1) << true
            << QStringList{"5 rows read: 2 addresses.", "1 further item row merged into its order's label.",
                           "2 rows skipped.", "4 values mended (ZIP codes, states, countries, spreadsheet marks)."};
        QTest::newRow("the typed sender") << QByteArray("Name,Street,City,Zip\nAda Xu,1 Elm St,Keene,03431\n") << false
                                          << "Rosa Adebayo, 03755" << false << QStringList{"1 row read: 1 address."};
        QTest::newRow("the list's own sender, whatever is typed")
            << QByteArray("sender_name,Name,Street,City,Zip\nClerk,Ada Xu,1 Elm St,Keene,03431\n") << true
            << "from the list's own sender columns" << false << QStringList{"1 row read: 1 address."};
    }

    void describesTheList()
    {
        QFETCH(QByteArray, csv);
        QFETCH(bool, sampleSender);
        QFETCH(QString, sender);
        QFETCH(bool, saysSample);
        QFETCH(QStringList, summary);
        QBuffer list(&csv);
        list.open(QIODevice::ReadOnly);
        const QStringList typed = typedWith(sampleSender);
        const AddressListReading reading = AddressList::read(list, QStringLiteral("list.csv"),
                                                             AddressList::listDefaults(typed));
        const ListOverview overview = DescribeList(QStringLiteral("list.csv"), QString(), typed, reading);
        QCOMPARE(overview.addresses, reading.rows.size());
        QVERIFY2(overview.sender.startsWith(sender), qPrintable(overview.sender));
        QCOMPARE(overview.sampleSender, saysSample);
        QCOMPARE(overview.summary, summary);
        QVERIFY2(overview.details.contains(QLatin1String("list.csv: ")), qPrintable(overview.details));
    }
};

PARCELON_TEST_MAIN(tst_ListRun)
#include "tst_listrun.moc"
