#include "address/AddressFields.h"

#include "core/AppInfo.h"

#include <array>

namespace {
const std::array<const char *, AddressFields::kCount> kSamples = {
    "Quillmark",     "Dana Whitcombe",   "123 Elm Street", "Elmsworth", "NH",    "03100", "Harborline Seafood Co.",
    "Jordan Ellery", "1200 Harbor Loop", "Bayport",        "TX",        "77500",
};
} // namespace

QString AddressFields::key(int field)
{
    return QStringLiteral("Text%1").arg(field);
}

QString AddressFields::sampleValue(int field)
{
    if (field < 1 || field > kCount)
        return QString();
    return QString::fromUtf8(kSamples[size_t(field - 1)]);
}

QString AddressFields::helpMessage()
{
    return QStringLiteral(
               "These labels are 4 x 3-1/3 inches and work with Avery 5164, 5264, 5524, "
               "5664, 8164, 8254, and 8464.\r\n\r\n"
               "Address lists (CSV, tab-separated or spreadsheets, shops' exports too): Ctrl+O or a right click "
               "beside the fields opens one, and so does a list file dropped on the window. In the "
               "preview, Page Down and Page Up go through the sheets, Ctrl+P prints them, "
               "Ctrl+Shift+S saves them as a PDF, and Ctrl+L prints the typed address on chosen "
               "labels of a used sheet.\r\n\r\n"
               "Questions? Please contact Team Quillmark at ")
        + QString::fromLatin1(AppInfo::kContactPage);
}
