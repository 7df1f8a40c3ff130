#include "SettingsStore.h"

#include "AppInfo.h"

#include "Failure.h"
#include "FileUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

namespace {

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// A string value as QSettings writes it and reads it back unchanged: a
// leading '@' doubled (so it is never taken for a typed value), backslash
// escapes for quotes, backslashes and control characters, everything else as
// UTF-8, and quotes around values that hold separators or begin or end with a
// blank (a bare comma would split the value into a list). QSettings reads as
// many hex digits as follow "\x", so a hex digit right after such an escape
// is escaped too.
QByteArray iniValue(const QString &value)
{
    QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QString out;
    bool afterHexEscape = false;
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            out += QLatin1Char('\\') + c;
            afterHexEscape = false;
        } else if (u == '\n') {
            out += QStringLiteral("\\n");
            afterHexEscape = false;
        } else if (u == '\r') {
            out += QStringLiteral("\\r");
            afterHexEscape = false;
        } else if (u == '\t') {
            out += QStringLiteral("\\t");
            afterHexEscape = false;
        } else if (u < 0x20 || u == 0x7f || (afterHexEscape && isHexDigit(c))) {
            out += QStringLiteral("\\x") + QString::number(u, 16);
            afterHexEscape = true;
        } else {
            out += c;
            afterHexEscape = false;
        }
    }
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char(';'))
        || text.contains(QLatin1Char('=')) || text.contains(QLatin1Char('#'))
        || text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    if (quote)
        out = QLatin1Char('"') + out + QLatin1Char('"');
    return out.toUtf8();
}

// A key as QSettings writes it: letters, digits, '-', '_' and '.' as they are,
// '/' (below a group) as '\\', anything else as %XX or %UXXXX.
QByteArray iniKey(const QString &key)
{
    QByteArray out;
    for (QChar c : key) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('/'))
            out += '\\';
        else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-'
                 || u == '_' || u == '.')
            out += char(u);
        else if (u <= 0xff)
            out += '%' + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        else
            out += "%U" + QByteArray::number(u, 16).rightJustified(4, '0').toUpper();
    }
    return out;
}

// The whole store as an ini file, one section per group.
QByteArray iniBytes(const QMap<QString, QString> &values)
{
    QMap<QString, QList<QPair<QString, QString>>> groups;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        if (slash < 0)
            groups[QStringLiteral("General")].append({it.key(), it.value()});
        else
            groups[it.key().left(slash)].append({it.key().mid(slash + 1), it.value()});
    }
    QByteArray out;
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        if (!out.isEmpty())
            out += '\n';
        out += '[' + iniKey(group.key()) + "]\n";
        for (const auto &[k, v] : group.value())
            out += iniKey(k) + '=' + iniValue(v) + '\n';
    }
    return out;
}

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

// QSettings' own sync flushes to disk twice per write (its lock file and the
// settings file): about 16 ms per keystroke measured here, far more on slow
// disks. So the file is written here instead, in the ini form QSettings
// reads, to a fresh sibling name that is then renamed over the settings file:
// still atomic (a killed program leaves the old file or the new one, never a
// torn one), without the flushes.
bool SettingsStore::write(const QString &key, const QString &value)
{
    m_settings.sync(); // take in what another running copy may have written
    QMap<QString, QString> values;
    const QStringList keys = m_settings.allKeys();
    for (const QString &k : keys)
        values.insert(k, m_settings.value(k).toString());
    values.insert(groupKey(key), value);

    const QString target = m_settings.fileName();
    QDir().mkpath(QFileInfo(target).path());
    try {
        WriteBytesReplacing(iniBytes(values), target);
    } catch (const Failure &) {
        return false;
    }
    m_settings.sync(); // read back what is now on disk
    return m_settings.status() == QSettings::NoError;
}
