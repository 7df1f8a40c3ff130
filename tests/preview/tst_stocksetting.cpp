// The window's label stock, remembered in the settings: a store without the
// key is the default stock, an unknown name the default said once, a choice
// is read back by the next start.

#include "core/SettingsStore.h"
#include "preview/StockSetting.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QFile>

class tst_StockSetting : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(TestEnvironment::settingsFile()); }

    void storedNameChoosesTheStock_data()
    {
        QTest::addColumn<QString>("stored"); // "-": no key
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("boxes");
        QTest::newRow("no key") << "-"
                                << "5164" << 0;
        QTest::newRow("a stock") << "L7169"
                                 << "L7169" << 0;
        QTest::newRow("unknown") << "5165"
                                 << "5164" << 1;
        QTest::newRow("empty") << ""
                               << "5164" << 1;
    }
    void storedNameChoosesTheStock()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        QFETCH(int, boxes);
        if (stored != QLatin1String("-"))
            SettingsStore().write(QString::fromLatin1(StockSetting::kStockKey), stored);
        SettingsStore settings;
        RecordingMessageBoxes messages;
        StockSetting stock(settings, messages);
        QCOMPARE(stock.current().name, expected);
        QCOMPARE(stock.current().name, expected);
        QCOMPARE(messages.boxes().size(), boxes); // said once, however often asked
        if (boxes)
            QVERIFY(messages.boxes().first().text.contains(stored.isEmpty() ? QStringLiteral("\"\"") : stored));
    }

    void choiceIsRememberedForTheNextStart()
    {
        RecordingMessageBoxes messages;
        {
            SettingsStore settings;
            StockSetting stock(settings, messages);
            stock.choose(*FindStock(QStringLiteral("4x6")));
            QCOMPARE(stock.current().name, QStringLiteral("4x6"));
        }
        SettingsStore settings;
        QCOMPARE(settings.read(QString::fromLatin1(StockSetting::kStockKey), QString()), QStringLiteral("4x6"));
        QCOMPARE(StockSetting(settings, messages).current().name, QStringLiteral("4x6"));
        QCOMPARE(messages.boxes().size(), 0);
    }
};

PARCELON_TEST_MAIN(tst_StockSetting)
#include "tst_stocksetting.moc"
