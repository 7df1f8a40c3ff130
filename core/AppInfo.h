#pragma once

#include "core/Version.h"

#include <QString>

namespace AppInfo {

inline constexpr char kProductTitle[] = "Parcelon";
inline constexpr char kOrganisation[] = "Quillmark";
inline constexpr char kVersion[] = PARCELON_VERSION;
// Names the desktop entry, the icon and the AppStream description.
inline constexpr char kAppId[] = PARCELON_APP_ID;
inline constexpr char kSupportAddress[] = "support@quillmark.example";
inline constexpr char kVendorSite[] = "https://www.quillmark.example/";
// Whether the occasional visit to the vendor's site is built in (a packager's choice).
inline constexpr bool kVendorSiteVisits = PARCELON_VENDOR_SITE_VISITS;
// The setting that turns the visit off for one user ("false").
inline constexpr char kVendorSiteVisitsKey[] = "VisitVendorSite";
inline constexpr char kContactPage[] = "https://www.quillmark.example/contact";

// Cut before the last blank while longer than 40 characters.
QString deriveApplicationTitle(const QString &productTitle);

// The title that every message box without a title of its own shows. Set once
// at start-up; before that it is the product title.
QString applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace AppInfo
