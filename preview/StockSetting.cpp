#include "preview/StockSetting.h"

#include "core/AppInfo.h"
#include "core/MessageBoxes.h"
#include "core/SettingsStore.h"

StockSetting::StockSetting(SettingsStore &settings, MessageBoxes &boxes)
    : m_settings(settings)
    , m_boxes(boxes)
{
}

const LabelStock &StockSetting::current()
{
    if (m_current)
        return *m_current;
    const QString key = QString::fromLatin1(kStockKey);
    const QString name = m_settings.read(key, DefaultStock().name);
    m_current = FindStock(name);
    if (!m_current) {
        // Set first: the box runs a nested event loop.
        m_current = &DefaultStock();
        m_boxes.show(QStringLiteral("The label stock \"%1\" in %2 is not one this version knows (%3): "
                                    "sheets are made for %4 (%5) until another is chosen.")
                         .arg(name, m_settings.fileName(), StockNames(), DefaultStock().name, DefaultStock().title),
                     AppInfo::applicationTitle(), BoxStyle::Information);
    }
    return *m_current;
}

void StockSetting::choose(const LabelStock &stock)
{
    const LabelStock *known = FindStock(stock.name);
    if (!known)
        return;
    m_current = known;
    m_settings.write(QString::fromLatin1(kStockKey), known->name);
}
