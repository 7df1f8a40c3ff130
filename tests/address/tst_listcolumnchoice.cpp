// Columns picked in the window for a list whose names are not recognised,
// remembered per header layout (the window's test picks them for a list).

#include "address/ListColumnChoice.h"
#include "address/ListColumns.h"
#include "tests/support/TestMain.h"

using namespace AddressList;

using Choice = QMap<int, QStringList>;

class tst_ListColumnChoice : public QObject
{
    Q_OBJECT

private slots:
    // A choice survives being stored, whatever its column names hold; one
    // made for another layout is not taken.
    void storedAndReadBack_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QString>("stored"); // empty: the choice below, encoded
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<Choice>("back");
        const QStringList odd = {"Nom & prénom", "Rue=1", "Rue+2", "Ville; CP", "%41"};
        const Choice oddChoice = {{RecipientName, {"Nom & prénom"}},
                                  {RecipientStreet, {"Rue=1", "Rue+2"}},
                                  {RecipientCity, {"Ville; CP"}},
                                  {RecipientZip, {"%41"}}};
        QTest::newRow("names with the separators") << odd << QString() << oddChoice << oddChoice;
        QTest::newRow("a column of another layout")
            << QStringList{"A", "B"} << QString() << Choice{{RecipientName, {"A"}}, {RecipientCity, {"C"}}} << Choice();
        QTest::newRow("a sender field or garbage is dropped")
            << QStringList{"A", "B"} << "sender_name=A&recipient_city=B&nonsense&recipient_zip=" << Choice()
            << Choice{{RecipientCity, {"B"}}};
    }

    void storedAndReadBack()
    {
        QFETCH(QStringList, header);
        QFETCH(QString, stored);
        QFETCH(Choice, choice);
        QFETCH(Choice, back);
        if (stored.isEmpty())
            stored = encodeColumnChoice(choice);
        QCOMPARE(decodeColumnChoice(stored, header), back);
    }

    // One key per layout: another order or another set of names has its own.
    void keyPerLayout()
    {
        const QStringList header = {"Cust", "Addr A", "Addr B", "Town", "Post"};
        QVERIFY(columnChoiceKey(header).startsWith(QLatin1String("ListColumns_")));
        QVERIFY(columnChoiceKey(header) != columnChoiceKey({"Addr A", "Cust", "Addr B", "Town", "Post"}));
        QVERIFY(columnChoiceKey(header) != columnChoiceKey({"Cust", "Addr A", "Addr B", "Town"}));
    }
};

PARCELON_TEST_MAIN(tst_ListColumnChoice)
#include "tst_listcolumnchoice.moc"
