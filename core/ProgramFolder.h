#pragma once

#include <QString>

// Optional files that change the program's look ("HAND-M.CUR", "x/o.cjs") are
// looked for beside the program first and then, for an installed program,
// in <prefix>/share/parcelon (found relative to <prefix>/bin). The path
// beside the program is returned when neither exists.
QString ProgramFilePath(const QString &relativePath);

// Replaces the folder beside the program and turns the installed location
// off; an empty folder restores the normal lookup. Lets tests supply their
// own files without touching the build tree.
void OverrideProgramFolder(const QString &folder);
