#pragma once

#include <QString>

// Folders only the user can enter, shared by the program and its engine module.

// Makes sure the path is such a folder: creates it with mode 0700 when it is
// missing (its parent must exist), accepts an existing one only when it is a
// real folder (not a link) owned by the user, and tightens an own folder with
// looser rights. False when the folder cannot be had that way.
bool MakePrivateFolder(const QString &path);

// The named private folder in the session's runtime folder (private and kept
// in memory), e.g. "/run/user/1000/parcelon". Empty when the session has no
// runtime folder or the folder cannot be made.
QString PrivateRuntimeFolder(const QString &name);

// The program's private folder in the user's cache folder, normally
// "~/.cache/parcelon". Empty when there is no home to hold it or the folder
// cannot be made.
QString PrivateCacheFolder();
