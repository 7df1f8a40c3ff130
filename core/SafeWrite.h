#pragma once

#include "core/Failure.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The one way the program puts a file in place. The file is made under a
// hidden name beside the target (marked as this process's, so that what a
// killed run leaves is swept by a later one), every write and the close are
// checked, the data is flushed to the disk, the file is checked where its
// format allows, and only then is it renamed over the target, taking the
// replaced file's permissions and owner (a new file gets the usual ones).
// On any failure the hidden file is removed and an existing target stays as
// it was.

// No room on the disk (or in the quota) for the target. Its description
// names the target, for the command line and the window alike.
class DiskFull : public Failure
{
public:
    explicit DiskFull(const QString &target);
};

// What is wrong with the file at the path (a document that does not open,
// too few pages ...); empty when it is whole.
using FileCheck = std::function<QString(const QString &path)>;

struct SafeWriteOptions
{
    // A link at the target: the user's link to a file of theirs is kept and
    // the file it leads to is replaced, and a read-only file is not replaced
    // (not even by root). Off for the program's own working files, where a
    // planted link is replaced by a file, never followed.
    bool forUser = true;
    // Flush the data to the disk before the rename. Off only where the file
    // is rewritten on every keystroke and a flush would cost more than a
    // torn file could (the rename still leaves the old file or the new one).
    bool flush = true;
    FileCheck check;
};

// Has `write` write the whole file under `freshName` (an empty file made for
// it beside the target, with the target's extension), then completes it as
// above. An exception of `write` is passed on after the fresh file is
// removed; a DiskFull of `write` is passed on naming the target. Throws
// Failure (DiskFull for a full disk).
void WriteFileSafely(const QString &target, const SafeWriteOptions &options,
                     const std::function<void(const QString &freshName)> &write);

// The same for bytes at hand.
void WriteBytesSafely(const QByteArray &bytes, const QString &target, const SafeWriteOptions &options = {});

// Writes the bytes into the file at the path (made or emptied first), every
// write and the close checked: for a writer handed a fresh name. Throws
// Failure (DiskFull naming the path for a full disk).
void WriteWholeFile(const QByteArray &bytes, const QString &path);

// Whether the disk that holds `path` has no room left for a document (what a
// writer that does not say why it failed, such as the office, is judged by).
bool DiskHasNoRoom(const QString &path);
