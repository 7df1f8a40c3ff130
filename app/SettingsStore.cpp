#include "SettingsStore.h"

#include "AppInfo.h"

namespace {
QString groupKey(const QString &key)
{
    return QString::fromLatin1(AppInfo::kProductTitle) + QLatin1Char('/') + key;
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope,
                 QString::fromLatin1(AppInfo::kOrganisation),
                 QString::fromLatin1(AppInfo::kOrganisation))
{
}

QString SettingsStore::read(const QString &key, const QString &defaultValue) const
{
    const QString full = groupKey(key);
    if (!m_settings.contains(full))
        return defaultValue;
    return m_settings.value(full).toString();
}

bool SettingsStore::write(const QString &key, const QString &value)
{
    m_settings.setValue(groupKey(key), value);
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}
