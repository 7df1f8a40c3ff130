#pragma once

#include <QCursor>
#include <QString>

// The hand pointer file beside the program.
QString HandCursorPath();

// Reads a Windows .cur file (image and hotspot) into a cursor.
// Throws Failure when the file cannot be read as a cursor.
QCursor LoadHandCursor(const QString &path);
