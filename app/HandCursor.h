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

// Parses the bytes of a Windows .cur file: the first image of its directory,
// stored as PNG or as a device-independent bitmap (1, 4, 8, 24 or 32 bits per
// pixel with its AND mask), and the hotspot from the directory entry.
// Throws Failure when the bytes are not a cursor.
CursorImage ReadCursorFile(const QByteArray &bytes);

// Reads a Windows .cur file (image and hotspot) into a cursor.
// Throws Failure when the file cannot be read as a cursor.
QCursor LoadHandCursor(const QString &path);
