// Label sheets without a window: whatever fails, the target is never
// damaged and nothing is left behind (faults injected through the fake
// engine; the documents themselves are tested against the real office in
// tests/app/tst_batchrun).

#include "core/Failure.h"
#include "labels/SheetMaker.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

QString folder()
{
    return TestEnvironment::root() + QStringLiteral("/out");
}

QList<QStringList> threeSheets()
{
    QList<QStringList> sheets;
    for (int sheet = 1; sheet <= 3; ++sheet) {
        QStringList fields;
        for (int field = 1; field <= 12; ++field)
            fields << QStringLiteral("s%1f%2").arg(sheet).arg(field);
        sheets << fields;
    }
    return sheets;
}

mode_t modeOf(const QString &path)
{
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

} // namespace

class tst_SheetMaker : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
    }

    void failureLeavesTheTargetAsItWas_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("nthCall");
        QTest::addColumn<QString>("reason");
        QTest::newRow("office does not start") << "create" << 0 << "Injected failure of create";
        QTest::newRow("template copy") << "open" << 1 << "Injected failure of open";
        QTest::newRow("template as XML") << "saveAsFlatXml" << 0 << "Injected failure of saveAsFlatXml";
        QTest::newRow("opening the sheets") << "open" << 2 << "Injected failure of open";
        QTest::newRow("saving") << "saveAs" << 1 << "Injected failure of saveAs";
        QTest::newRow("the check's document") << "saveAs" << 2 << "Injected failure of saveAs";
        // The fake engine's "PDF" is its text: the check cannot read it.
        QTest::newRow("the check's PDF") << "" << 0 << "PDF could not be read";
    }

    void failureLeavesTheTargetAsItWas()
    {
        QFETCH(QString, operation);
        QFETCH(int, nthCall);
        QFETCH(QString, reason);
        const QString target = folder() + QStringLiteral("/labels.doc");
        const QByteArray old("the user's earlier labels");
        WriteFileBytes(target, old);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        FakeEngine engine;
        // The template as the office would give it as XML: its readable source.
        engine.flatXml = ReadFileBytes(QStringLiteral(PARCELON_TEMPLATE_SOURCE));
        if (!operation.isEmpty())
            engine.failOn(operation, nthCall);
        try {
            MakeLabelSheets(engine, threeSheets(), target);
            QFAIL("no failure");
        } catch (const Failure &failure) {
            QVERIFY2(failure.description().contains(reason), qPrintable(failure.description()));
        }

        QCOMPARE(ReadFileBytes(target), old);
        QCOMPARE(modeOf(target), mode_t(0640));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("labels.doc")});
        QCOMPARE(QDir(TestEnvironment::temp()).entryList({QStringLiteral("parcelon-sheets-*")}, QDir::AllEntries),
                 QStringList());
        QCOMPARE(engine.liveApplications, 0);
    }

    // Two offices share a long list: every sheet once, in order, the running
    // office's part the larger one.
    void twoOfficesTakeEverySheetOnceInOrder_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("shared");
        QTest::newRow("one sheet") << 1 << false;
        QTest::newRow("just under two offices' worth") << int(kSheetsForTwoOffices - 1) << false;
        QTest::newRow("two offices' worth") << int(kSheetsForTwoOffices) << true;
        QTest::newRow("1,000 sheets") << 1000 << true;
    }

    void twoOfficesTakeEverySheetOnceInOrder()
    {
        QFETCH(int, count);
        QFETCH(bool, shared);
        QList<SheetLabels> sheets(count, SheetLabels(1));
        for (int i = 0; i < count; ++i)
            sheets[i][0] = QStringList{QString::number(i + 1)};
        const SheetParts parts = PartSheetsForTwoOffices(sheets);
        QCOMPARE(!parts.second.isEmpty(), shared);
        QVERIFY(parts.first.size() > parts.second.size());
        QStringList order;
        for (const SheetLabels &sheet : parts.first + parts.second)
            order << sheet[0].value(0);
        QStringList expected;
        for (int i = 1; i <= count; ++i)
            expected << QString::number(i);
        QVERIFY2(order == expected,
                 qPrintable(QStringLiteral("the second office's part begins with sheet %1 after %2")
                                .arg(parts.second.isEmpty() ? QStringLiteral("-") : parts.second.first()[0].value(0))
                                .arg(parts.first.size())));
    }
};

PARCELON_TEST_MAIN(tst_SheetMaker)
#include "tst_sheetmaker.moc"
