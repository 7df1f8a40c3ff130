#pragma once

#include <QSettings>
#include <QString>

// The per-user store of the twelve address fields: QSettings in native format,
// organisation and application "Quillmark", group "Parcelon"
// (~/.config/Quillmark/Quillmark.conf on Linux).
class SettingsStore
{
public:
    SettingsStore();

    // The stored string, the empty string when an empty one is stored, the
    // default only when the key is missing.
    QString read(const QString &key, const QString &defaultValue) const;

    // Stores the value and syncs at once, so a killed program keeps the last
    // keystroke. Returns false when the file could not be written.
    bool write(const QString &key, const QString &value);

    QString fileName() const { return m_settings.fileName(); }

private:
    mutable QSettings m_settings;
};
