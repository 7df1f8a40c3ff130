// The picker of the first free label: the arrow keys move across a row and
// down a column of the 2 x 3 sheet, the digits and a click pick a label.

#include "preview/WhereOnSheetDialog.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>

class tst_SheetPicker : public QObject
{
    Q_OBJECT

private slots:
    void keysMoveByLabelAndRow_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("picked");
        QTest::newRow("Down from label 1: one row, to label 3") << 1 << int(Qt::Key_Down) << 3;
        QTest::newRow("Down from label 4: to label 6") << 4 << int(Qt::Key_Down) << 6;
        QTest::newRow("Down from the bottom row stays") << 5 << int(Qt::Key_Down) << 5;
        QTest::newRow("Up from label 6: to label 4") << 6 << int(Qt::Key_Up) << 4;
        QTest::newRow("Up from the top row stays") << 2 << int(Qt::Key_Up) << 2;
        QTest::newRow("Right from label 1: to label 2") << 1 << int(Qt::Key_Right) << 2;
        QTest::newRow("Right from label 2: on to label 3") << 2 << int(Qt::Key_Right) << 3;
        QTest::newRow("Left from label 3: to label 2") << 3 << int(Qt::Key_Left) << 2;
        QTest::newRow("Left from label 1 stays") << 1 << int(Qt::Key_Left) << 1;
        QTest::newRow("digit 5") << 1 << int(Qt::Key_5) << 5;
        QTest::newRow("digit 9 is no label") << 2 << int(Qt::Key_9) << 2;
    }

    void keysMoveByLabelAndRow()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, picked);
        SheetPicker picker;
        picker.setStart(start);
        QSignalSpy changed(&picker, &SheetPicker::startChanged);
        QTest::keyClick(&picker, Qt::Key(key));
        QCOMPARE(picker.start(), picked);
        QCOMPARE(changed.size(), picked == start ? 0 : 1);
    }

    // Labels are 2 across and 3 down: the middle of each column and row.
    void clickPicksTheLabelUnderThePointer_data()
    {
        QTest::addColumn<double>("across");
        QTest::addColumn<double>("down");
        QTest::addColumn<int>("picked");
        QTest::newRow("top right") << 0.75 << 0.2 << 2;
        QTest::newRow("middle left") << 0.25 << 0.5 << 3;
        QTest::newRow("bottom left") << 0.25 << 0.8 << 5;
        QTest::newRow("bottom right") << 0.75 << 0.8 << 6;
        QTest::newRow("the margin above the labels picks none") << 0.25 << 0.01 << 4;
    }

    void clickPicksTheLabelUnderThePointer()
    {
        QFETCH(double, across);
        QFETCH(double, down);
        QFETCH(int, picked);
        SheetPicker picker;
        picker.setStart(4);
        QTest::mouseClick(&picker, Qt::LeftButton, {},
                          QPoint(int(picker.width() * across), int(picker.height() * down)));
        QCOMPARE(picker.start(), picked);
    }
};

PARCELON_TEST_MAIN(tst_SheetPicker)
#include "tst_sheetpicker.moc"
