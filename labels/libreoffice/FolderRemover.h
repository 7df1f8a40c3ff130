#pragma once

#include <QString>

// Removes folders in the background. Deleting an office's instance folder
// (a profile of some fifty folders) takes a third of a second on an ordinary
// disk, which quit() should not wait for. The folder is first renamed to
// "<pid>-trash-N" beside itself, so it is gone from its place at once, and a
// trash folder left by a program that was killed is swept like any other
// folder of a dead program. Pending removals are finished at exit.
namespace FolderRemover {

void removeLater(const QString &folder);

} // namespace FolderRemover
