#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

// The hand pointer file: beside the program, or in share/parcelon of an
// installed program (see ProgramFilePath).
QString HandCursorPath();

// One image of a Windows cursor file and its hotspot.
struct CursorImage
{
    QImage image; // ARGB32
    QPoint hotspot;
};

// Reads the bytes of a Windows .cur file: the first image of its directory
// (through Qt's image reader) and the hotspot from the directory entry.
// Throws Failure when the bytes are not a cursor.
CursorImage ReadCursorFile(const QByteArray &bytes);

// Reads a Windows .cur file (image and hotspot) into a cursor.
// Throws Failure when the file cannot be read as a cursor.
QCursor LoadHandCursor(const QString &path);

// True when LoadHandCursor failed on this file, as it is now, earlier in
// this run: a second window need not load, nor report, it again.
bool HandCursorFailedBefore(const QString &path);
