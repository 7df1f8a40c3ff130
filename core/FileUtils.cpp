#include "core/FileUtils.h"

#include "core/Failure.h"
#include "core/SafeWrite.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

void WriteBytesIfAbsent(const QByteArray &bytes, const QString &path)
{
    QCoreApplication::processEvents();
    if (FileExists(path))
        return;
    WriteBytesReplacing(bytes, path);
}

void WriteBytesReplacing(const QByteArray &bytes, const QString &path)
{
    if (path.isEmpty())
        throw Failure(QStringLiteral("Bad file name or number"));
    // The program's own working files: a planted link is replaced, not
    // followed, and nothing that goes in the same click is flushed to the disk.
    SafeWriteOptions working;
    working.forUser = false;
    working.flush = false;
    WriteBytesSafely(bytes, path, working);
}

void DeleteFileQuietly(const QString &path)
{
    if (path.isEmpty())
        return;
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (::lstat(name.constData(), &info) == 0 && S_ISREG(info.st_mode))
        ::unlink(name.constData());
}
