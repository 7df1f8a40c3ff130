#pragma once

#include <QString>

// Copies a file to a target path without ever putting the target at risk:
// the bytes go to a new file in the target's folder, which is renamed over the
// target only once it is complete. A failure (source unreadable, target folder
// not writable, disk full, target read-only) throws Failure and leaves an
// existing target exactly as it was and no partial file behind. A full disk is
// said as such, naming the target (DiskFull).
void SafeCopy(const QString &source, const QString &target);
