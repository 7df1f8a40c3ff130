#include "AddressStore.h"

#include "AddressFields.h"
#include "AppInfo.h"
#include "MessageBoxes.h"
#include "SettingsStore.h"

AddressStore::AddressStore(SettingsStore &settings, MessageBoxes &boxes)
    : m_settings(settings)
    , m_boxes(boxes)
{
}

QString AddressStore::restore(int field) const
{
    return m_settings.read(AddressFields::key(field), AddressFields::sampleValue(field));
}

void AddressStore::save(int field, const QString &text)
{
    if (m_settings.write(AddressFields::key(field), text) || m_warned)
        return;
    // Set first: the box runs a nested event loop in which more changes may arrive.
    m_warned = true;
    m_boxes.show(QStringLiteral("Parcelon cannot save what you type to %1. Your entries will not "
                                "be remembered after you close the program.")
                     .arg(m_settings.fileName()),
                 AppInfo::applicationTitle(), BoxStyle::Warning);
}
