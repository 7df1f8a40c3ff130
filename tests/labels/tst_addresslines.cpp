#include "labels/AddressLines.h"
#include "labels/LabelGeneration.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;

class tst_AddressLines : public QObject
{
    Q_OBJECT

private slots:
    // Parts: company | name | street | city | state | zip | country.
    void blankPartsLeaveNoLineAndNoSeparator_data()
    {
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("whole") << QStringList{"Acme", "Ann Lee", "1 Elm St", "Dayton", "OH", "45402", ""}
                               << QStringList{"Acme", "Ann Lee", "1 Elm St", "Dayton, OH 45402"};
        QTest::newRow("name only") << QStringList{"", "Ann Lee", "", "", "", "", ""} << QStringList{"Ann Lee"};
        QTest::newRow("city without state")
            << QStringList{"", "Ann Lee", "", "Dayton", "", "45402", ""} << QStringList{"Ann Lee", "Dayton 45402"};
        QTest::newRow("city alone") << QStringList{"", "Ann Lee", "", "Dayton", "", "", ""}
                                    << QStringList{"Ann Lee", "Dayton"};
        QTest::newRow("no ZIP") << QStringList{"", "", "1 Elm St", "Dayton", "OH", "", ""}
                                << QStringList{"1 Elm St", "Dayton, OH"};
        QTest::newRow("state and ZIP") << QStringList{"Acme", "", "", "", "OH", "45402", ""}
                                       << QStringList{"Acme", "OH 45402"};
        QTest::newRow("blanks count as nothing")
            << QStringList{"  ", "Ann Lee", "\t", " ", "OH", "  ", ""} << QStringList{"Ann Lee", "OH"};
        QTest::newRow("abroad") << QStringList{"", "Jo Ng", "2 Rue", "Lyon", "", "69001", "FRANCE"}
                                << QStringList{"Jo Ng", "2 Rue", "Lyon 69001", "FRANCE"};
        QTest::newRow("nothing") << QStringList(7) << QStringList();
    }

    void blankPartsLeaveNoLineAndNoSeparator()
    {
        QFETCH(QStringList, parts);
        QFETCH(QStringList, lines);
        QStringList composed;
        for (const AddressLine &line :
             ComposeAddressLines({parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]}))
            composed << line.text;
        QCOMPARE(composed, lines);
    }

    // The template's blocks take the lines in order, the empty ones last;
    // a recipient's fifth line (the country under four) goes under block 8.
    void blocksTakeTheLinesInOrder()
    {
        QStringList fields = {"", "Sam Send", "", "Akron", "", "44301", "RCo", "", "9 Bay Rd", "Lyon", "", "69001"};
        QStringList blocks;
        for (int block = 1; block <= 9; ++block)
            blocks << PlaceholderValue(fields, block);
        QCOMPARE(blocks, (QStringList{"Sam Send", "Akron 44301", "", "", "RCo", "9 Bay Rd", "Lyon 69001", "", ""}));
        fields[7] = u"Rita Recv"_s;
        fields << u"FRANCE"_s;
        QCOMPARE(PlaceholderValue(fields, 8), u"Lyon 69001"_s);
        QCOMPARE(PlaceholderValue(fields, 9), u"FRANCE"_s);
    }
};

PARCELON_TEST_MAIN(tst_AddressLines)
#include "tst_addresslines.moc"
