#pragma once

#include <QString>

// The address record: twelve free-text fields, sender Company, Name, Street
// Address, City, State and ZIP code, then the same six for the recipient.
// Fields are numbered 1 to 12 like the text boxes that hold them.
namespace AddressFields {

inline constexpr int kCount = 12;

// The settings key and text-box name of a field: "Text1" .. "Text12".
QString key(int field);

// The sample value of a field, which is also its default in the store.
// ZIP codes are text: "03100" keeps its leading zero.
QString sampleValue(int field);

// The text of the Help box.
QString helpMessage();

} // namespace AddressFields
