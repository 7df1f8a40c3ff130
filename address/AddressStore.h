#pragma once

#include <QString>

#include <optional>

class MessageBoxes;
class SettingsStore;

// The twelve fields' mirror in the settings store. Every change is written
// whole at once. One warning per run says what went wrong: a settings file
// that cannot be read (it is then left alone and nothing typed is kept), or
// a write that failed (later changes try again, the unsaved ones included),
// so typing is never interrupted by boxes.
class AddressStore
{
public:
    AddressStore(SettingsStore &settings, MessageBoxes &boxes);

    // The stored text, the empty text when an empty one is stored, the
    // field's sample value when its key is missing or the file unreadable.
    QString restore(int field);

    void save(int field, const QString &text);

    // The text saved for the field, none when nothing is saved for it or
    // the file cannot be used: never the sample value. Warns of nothing.
    std::optional<QString> saved(int field);

    bool hasWarned() const { return m_warned; }

private:
    void warnOnce();

    SettingsStore &m_settings;
    MessageBoxes &m_boxes;
    bool m_warned = false;
};
