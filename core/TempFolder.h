#pragma once

#include <QString>

// The folder for the program's temporary files: the TEMP variable when it is
// set and not empty (read afresh on every call); otherwise a private per-user
// folder created with mode 0700, never the filesystem root and never a folder
// that other users can write to. Throws Failure when no such folder can be had.
QString TemporaryFolder();

// TemporaryFolder() joined with a file name.
QString TemporaryPath(const QString &fileName);
