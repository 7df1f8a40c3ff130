#pragma once

#include <QString>

class MessageBoxes;
class SettingsStore;

// The twelve fields' mirror in the settings store. Every change is written
// whole and synced at once; a store that cannot be written is reported once
// per run (one warning, at the first failed write) and then silently retried
// with every later change, so typing is never interrupted by boxes.
class AddressStore
{
public:
    AddressStore(SettingsStore &settings, MessageBoxes &boxes);

    // The stored text, the empty text when an empty one is stored, the
    // field's sample value only when its key is missing.
    QString restore(int field) const;

    void save(int field, const QString &text);

    bool hasWarned() const { return m_warned; }

private:
    SettingsStore &m_settings;
    MessageBoxes &m_boxes;
    bool m_warned = false;
};
