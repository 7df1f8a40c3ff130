#pragma once

#include <QByteArray>
#include <QString>

// Small file operations shared by start-up, label generation and the preview.

// True when the file system reports a modification time for the path
// (symbolic links are followed). Never fails; false for an empty path.
bool FileExists(const QString &path);

// Lets pending window events run once, then writes the bytes to the path
// unless something already exists there. The bytes go to a fresh name in the
// same folder first and are renamed into place, so a planted symbolic link is
// replaced, never followed, and no partial file is ever left under the name.
// Throws Failure when the file cannot be written.
void WriteBytesIfAbsent(const QByteArray &bytes, const QString &path);

// Writes the bytes to the path through a fresh name and a rename, replacing
// whatever stood there (a symbolic link included, without following it).
// Throws Failure when the file cannot be written.
void WriteBytesReplacing(const QByteArray &bytes, const QString &path);

// Deletes the path when it is a regular file; anything else (missing, a
// folder, a symbolic link, no access) is left alone. Never fails, never reports.
void DeleteFileQuietly(const QString &path);
