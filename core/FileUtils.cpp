#include "core/FileUtils.h"

#include "core/Failure.h"
#include "core/OwnedTemporaries.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Creates a new, unique file beside the target and fills it with the bytes.
// Returns its path; throws on any failure and then leaves nothing behind.
// Its name tells a later start that it is left over when this program is
// killed before the rename.
QByteArray writeFreshSibling(const QByteArray &bytes, const QByteArray &target)
{
    QByteArray pattern = QFile::encodeName(OwnedTemporaryName(QFile::decodeName(target) + QLatin1Char('.')));
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw Failure(QStringLiteral("Cannot create %1: %2").arg(QFile::decodeName(target), systemError(errno)));
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(pattern.constData());
            throw Failure(QStringLiteral("Cannot write %1: %2").arg(QFile::decodeName(target), systemError(error)));
        }
        written += n;
    }
    // Files in the temporary folder are the user's own; mkstemp already made them 0600.
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(pattern.constData());
        throw Failure(QStringLiteral("Cannot write %1: %2").arg(QFile::decodeName(target), systemError(error)));
    }
    return pattern;
}

void renameIntoPlace(const QByteArray &fresh, const QByteArray &target)
{
    if (::rename(fresh.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(fresh.constData());
        throw Failure(QStringLiteral("Cannot write %1: %2").arg(QFile::decodeName(target), systemError(error)));
    }
}

} // namespace

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
    const QByteArray target = QFile::encodeName(path);
    renameIntoPlace(writeFreshSibling(bytes, target), target);
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
