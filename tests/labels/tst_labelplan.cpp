// Where addresses land on the sheets: reading order, a first free label,
// copies in a row, blank labels before and after.

#include "labels/LabelPlan.h"
#include "tests/support/TestMain.h"

namespace {

QStringList address(const QString &name)
{
    QStringList fields;
    for (int field = 1; field <= 12; ++field)
        fields << QStringLiteral("%1-%2").arg(name).arg(field);
    return fields;
}

// The sheets as one string: a letter per label, '.' for a blank one, '|' between sheets.
QString picture(const QList<SheetLabels> &sheets)
{
    QStringList pages;
    for (const SheetLabels &sheet : sheets) {
        QString page;
        for (const QStringList &label : sheet)
            page += label.isEmpty() ? QStringLiteral(".") : label.first().left(1);
        pages << page;
    }
    return pages.join(QLatin1Char('|'));
}

} // namespace

class tst_LabelPlan : public QObject
{
    Q_OBJECT

private slots:
    void placesAddressesInReadingOrder_data()
    {
        QTest::addColumn<int>("addresses");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one per label") << 7 << 1 << 1 << "abcdef|g.....";
        QTest::newRow("used sheet") << 3 << 4 << 1 << "...abc";
        QTest::newRow("used sheet, overflow") << 4 << 5 << 1 << "....ab|cd....";
        QTest::newRow("copies in a row") << 2 << 2 << 2 << ".aabb.";
        QTest::newRow("last free label") << 1 << 6 << 1 << ".....a";
        QTest::newRow("whole sheet each") << 2 << 1 << 6 << "aaaaaa|bbbbbb";
        QTest::newRow("none") << 0 << 3 << 2 << "";
    }
    void placesAddressesInReadingOrder()
    {
        QFETCH(int, addresses);
        QFETCH(int, start);
        QFETCH(int, copies);
        QFETCH(QString, expected);
        QList<QStringList> list;
        for (int i = 0; i < addresses; ++i)
            list << address(QString(QChar(u'a' + i)));
        const LabelPlacement placement{start, copies};
        const QList<SheetLabels> sheets = PlanSheets(list, placement);
        QCOMPARE(picture(sheets), expected);
        QCOMPARE(SheetsTaken(addresses, placement), sheets.size());
        QCOMPARE(LabelsTaken(addresses, placement), qsizetype(addresses * copies));
        if (addresses) // every field of an address arrives, in order
            QCOMPARE(sheets.first()[start - 1], address(QStringLiteral("a")));
        // And back from every label made to the address it holds.
        for (qsizetype k = 0; k < LabelsTaken(addresses, placement); ++k) {
            const LabelPosition at = PositionOfLabel(k, placement);
            const qsizetype back = AddressAtLabel(at, placement, addresses);
            QCOMPARE(sheets[at.sheet - 1][at.label - 1], list[back]);
        }
    }

    void positionsAndLimits()
    {
        QCOMPARE(PositionOfLabel(0, {4, 1}).label, 4);
        const LabelPosition eighth = PositionOfLabel(7, {3, 1});
        QCOMPARE(eighth.sheet, qsizetype(2));
        QCOMPARE(eighth.label, 4);
        QVERIFY(IsValidPlacement({6, 1}));
        QVERIFY(!IsValidPlacement({0, 1}));
        QVERIFY(!IsValidPlacement({7, 1}));
        QVERIFY(!IsValidPlacement({1, 0}));
    }
};

PARCELON_TEST_MAIN(tst_LabelPlan)
#include "tst_labelplan.moc"
