#pragma once

#include "labels/libreoffice/OfficeSettings.h"

#include <QString>

// The prepared LibreOffice profile that every office starts from. A first
// start on an empty profile costs an extra start (the office exits with
// status 81 and must be started again), so one profile is prepared per user
// and LibreOffice version, kept in the user's cache folder, and copied for
// each office: two live offices must never share a profile.
namespace OfficeProfile {

// The folder of the prepared profile, preparing it when needed. Throws EngineError.
QString prepared(const OfficeSettings &settings);

// Copies a folder tree. False when anything could not be copied.
bool copyFolder(const QString &from, const QString &to);

} // namespace OfficeProfile
