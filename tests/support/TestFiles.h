#pragma once

#include <QByteArray>
#include <QString>

// The whole content of a file. A file that cannot be read gives a marker that
// no real content equals, so a comparison with expected bytes fails loudly.
QByteArray ReadFileBytes(const QString &path);

// Writes the bytes to the path, creating its folder; a test failure when the
// file cannot be written whole.
void WriteFileBytes(const QString &path, const QByteArray &bytes);

// Why a small file system of its own cannot be mounted here (for full-disk
// tests, in a private mount namespace through `unshare`); empty when it can.
// Needs the superuser with CAP_SYS_ADMIN, which a chroot or a default
// container lacks.
QString WhyNoPrivateMount();
