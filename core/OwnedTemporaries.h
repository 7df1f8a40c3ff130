#pragma once

#include <QString>

// Temporary files and folders of the program carry their owner in their
// names: "<head>parcelon-<process id>-<start time>-<six random
// characters><tail>". The start time (in clock ticks since boot, as /proc
// gives it) tells the process from a later one that got the same id. What a
// program killed without warning leaves under such a name is told apart from
// what a running copy is still using, and removed by the next start or by
// the next run that writes into the same folder.

// A name pattern for mkstemp, mkdtemp, QTemporaryFile or QTemporaryDir,
// which replace the six X: the head (which should end in '.' when it names
// what the file is for), this process's mark, "XXXXXX" and the tail (empty,
// or an extension such as ".pdf" that names a format).
QString OwnedTemporaryName(const QString &head, const QString &tail = QString());

// The same pattern for a file beside the target, in the target's folder,
// after the dead ones of that folder have been removed: hidden, named after
// the target, with the target's extension.
QString OwnedTemporaryBeside(const QString &target);

// Removes from the folder every file or folder of this user named by
// OwnedTemporaryName whose program has ended; a folder goes with everything
// in it. Never fails, never reports.
void RemoveDeadTemporaries(const QString &folder);

// RemoveDeadTemporaries in every folder where the program's own temporary
// names live: the temporary folder, the system's temporary folder and the
// cache folder. For the program's start, the window's and the command line's.
void RemoveDeadTemporariesAtStart();
