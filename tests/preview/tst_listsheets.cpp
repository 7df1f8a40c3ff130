#include "core/OwnedTemporaries.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ListSheets : public QObject
{
    Q_OBJECT

    static QStringList temp()
    {
        return QDir(TestEnvironment::temp()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    // A program killed with kill -9 while a list's sheets are being made
    // leaves its working folder (every address of the list); the next start
    // removes it, the sheets' own working folder within and beside it too.
    void aKilledListLeavesNothingAfterTheNextStart()
    {
        QProcess helper;
        helper.start(QStringLiteral(PARCELON_LISTSHEETS_HELPER), {});
        QVERIFY(helper.waitForReadyRead(10000));
        QCOMPARE(helper.readAll().trimmed(), "started");
        // The worker has got as far as the office, which never answers.
        QTRY_COMPARE_WITH_TIMEOUT(temp().filter(u"parcelon-sheets."_s).size(), 1, 20000);
        QCOMPARE(temp().filter(u"parcelon-list."_s).size(), 1);
        helper.kill();
        QVERIFY(helper.waitForFinished());
        QCOMPARE(temp().size(), 2);

        RemoveDeadTemporaries(TestEnvironment::temp());
        QCOMPARE(temp(), QStringList());
    }
};

PARCELON_TEST_MAIN(tst_ListSheets)
#include "tst_listsheets.moc"
