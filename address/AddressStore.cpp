#include "address/AddressStore.h"

#include "address/AddressFields.h"
#include "core/AppInfo.h"
#include "core/MessageBoxes.h"
#include "core/SettingsStore.h"

AddressStore::AddressStore(SettingsStore &settings, MessageBoxes &boxes)
    : m_settings(settings)
    , m_boxes(boxes)
{
}

QString AddressStore::restore(int field)
{
    const QString text = m_settings.read(AddressFields::key(field), AddressFields::sampleValue(field));
    // Said at start-up, before the user types into a store that keeps nothing.
    if (!m_settings.unusableReason().isEmpty())
        warnOnce();
    return text;
}

std::optional<QString> AddressStore::saved(int field)
{
    // No stored text can be a lone noncharacter, which no keyboard types.
    const QString missing(QChar(0xFFFF));
    const QString text = m_settings.read(AddressFields::key(field), missing);
    if (text == missing || !m_settings.unusableReason().isEmpty())
        return std::nullopt;
    return text;
}

void AddressStore::save(int field, const QString &text)
{
    if (!m_settings.write(AddressFields::key(field), text))
        warnOnce();
}

void AddressStore::warnOnce()
{
    if (m_warned)
        return;
    // Set first: the box runs a nested event loop in which more changes may arrive.
    m_warned = true;
    const QString unusable = m_settings.unusableReason();
    const QString text = !unusable.isEmpty()
        ? QStringLiteral("Parcelon cannot use its settings file %1: %2. The file is left as it is. "
                         "Fields whose saved value could not be read show the sample values, and what "
                         "you type will not be remembered after you close the program.")
              .arg(m_settings.fileName(), unusable)
        : QStringLiteral("Parcelon cannot save what you type to %1: %2. Until a later change can be "
                         "saved, what you type will not be remembered after you close the program.")
              .arg(m_settings.fileName(), m_settings.lastError());
    m_boxes.show(text, AppInfo::applicationTitle(), BoxStyle::Warning);
}
