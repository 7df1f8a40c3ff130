#pragma once

#include "labels/LabelStock.h"

class MessageBoxes;
class SettingsStore;

// The label stock the window makes sheets for, remembered in the settings
// under kStockKey (its name). A store without the key means the default
// stock; a name not known here means the default too, said once.
class StockSetting
{
public:
    static constexpr char kStockKey[] = "LabelStock";

    StockSetting(SettingsStore &settings, MessageBoxes &boxes);

    const LabelStock &current();
    // Made the current stock and remembered (a store that cannot be written
    // keeps it for this run; the address fields' store says why).
    void choose(const LabelStock &stock);

private:
    SettingsStore &m_settings;
    MessageBoxes &m_boxes;
    const LabelStock *m_current = nullptr;
};
