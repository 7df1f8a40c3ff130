#include "core/SafeWrite.h"

#include "core/OwnedTemporaries.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void failWriting(const QString &target, int error)
{
    if (error == ENOSPC || error == EDQUOT)
        throw DiskFull(target);
    throw Failure(QStringLiteral("Cannot write %1: %2").arg(target, systemError(error)));
}

// The mode a newly created file gets: 0666 less the umask.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes all of the bytes; the error number of the first failing write, or 0.
int writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0)
            written += n;
        else if (n == 0)
            return ENOSPC; // a file that takes nothing more has no room left
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}

// Where the file goes: the target itself, or for a user's link to a file of
// theirs the file it leads to.
struct Destination
{
    QString shown;  // the name the caller gave, for messages
    QString path;   // the name that is replaced
    bool replacing; // a regular file stands there
    struct stat old;
};

Destination destinationOf(const QString &target, const SafeWriteOptions &options)
{
    if (target.isEmpty())
        throw Failure(QStringLiteral("No file name was given"));
    Destination to;
    const QFileInfo named(target);
    to.shown = named.absoluteFilePath();
    to.path = options.forUser && named.isSymLink() && named.exists() ? named.canonicalFilePath() : to.shown;
    const QByteArray path = QFile::encodeName(to.path);
    to.old = {};
    const bool exists = ::lstat(path.constData(), &to.old) == 0;
    to.replacing = exists && S_ISREG(to.old.st_mode);
    if (exists && S_ISDIR(to.old.st_mode))
        throw Failure(QStringLiteral("%1 is a folder").arg(to.shown));
    // A file its owner made read-only is not replaced behind their back, even
    // by root, whom the permission check alone would let through.
    if (options.forUser && to.replacing
        && (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0 || !(to.old.st_mode & 0222)))
        throw Failure(QStringLiteral("%1 is read-only").arg(to.shown));
    const QFileInfo folder(QFileInfo(to.path).absolutePath());
    if (!folder.isDir())
        throw Failure(QStringLiteral("The folder %1 does not exist").arg(folder.absoluteFilePath()));
    return to;
}

// An empty, new file beside the destination under this process's hidden
// mark, with the destination's extension (which names the format for a
// writer such as the office); what killed runs left in that folder goes
// first. Returns its open descriptor and sets `fresh`.
int createFresh(const Destination &to, QByteArray &fresh)
{
    const QString pattern = OwnedTemporaryBeside(to.path);
    const QString suffix = QFileInfo(to.path).suffix();
    fresh = QFile::encodeName(pattern);
    const int fd = ::mkostemps(fresh.data(), suffix.isEmpty() ? 0 : int(QFile::encodeName(suffix).size()) + 1,
                               O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOSPC || error == EDQUOT)
            throw DiskFull(to.shown);
        throw Failure(QStringLiteral("Cannot create a file in the folder %1: %2")
                          .arg(QFileInfo(to.path).absolutePath(), systemError(error)));
    }
    return fd;
}

// Gives the fresh file the replaced one's permissions and owner (a root-run
// copy must not hand the user's file to root), or a new file's mode. The
// program's working files stay as mkstemp made them: the user's alone.
int takeOverPermissions(int fd, const Destination &to, const SafeWriteOptions &options)
{
    if (!options.forUser)
        return 0;
    if (!to.replacing)
        return ::fchmod(fd, newFileMode()) == 0 ? 0 : errno;
    [[maybe_unused]] const int owned = ::fchown(fd, to.old.st_uid, to.old.st_gid); // only root may
    return ::fchmod(fd, to.old.st_mode & 07777) == 0 ? 0 : errno;
}

// Completes the fresh file whose content is written: permissions, flush,
// close, check, rename. Removes it and throws on any failure.
void complete(int fd, const QByteArray &fresh, const Destination &to, const SafeWriteOptions &options)
{
    const auto fail = [&](int error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(fresh.constData());
        failWriting(to.shown, error);
    };
    if (const int error = takeOverPermissions(fd, to, options))
        fail(error);
    if (options.flush && ::fsync(fd) != 0)
        fail(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        fail(errno);
    if (options.check) {
        const QString wrong = options.check(QFile::decodeName(fresh));
        if (!wrong.isEmpty()) {
            // A writer that does not say why it stopped (or stops without
            // saying so) on a full disk leaves a file that is not whole.
            const bool full = DiskHasNoRoom(QFile::decodeName(fresh));
            ::unlink(fresh.constData());
            if (full)
                throw DiskFull(to.shown);
            throw Failure(QStringLiteral("%1 was not written whole: %2").arg(to.shown, wrong));
        }
    }
    const QByteArray path = QFile::encodeName(to.path);
    if (::rename(fresh.constData(), path.constData()) != 0)
        fail(errno);
    if (options.flush) {
        // The rename itself reaches the disk with the folder. Too late to
        // report: the new file already stands in the old one's place.
        const int folder = ::open(QFile::encodeName(QFileInfo(to.path).absolutePath()).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
}

} // namespace

DiskFull::DiskFull(const QString &target)
    : Failure(QStringLiteral("Disk full: there is no room for %1").arg(target))
{
}

void WriteFileSafely(const QString &target, const SafeWriteOptions &options,
                     const std::function<void(const QString &freshName)> &write)
{
    const Destination to = destinationOf(target, options);
    QByteArray fresh;
    ::close(createFresh(to, fresh));
    try {
        write(QFile::decodeName(fresh));
    } catch (const DiskFull &) {
        ::unlink(fresh.constData());
        throw DiskFull(to.shown);
    } catch (...) {
        ::unlink(fresh.constData());
        throw;
    }
    // What the writer left under the name: a file with something in it.
    const int fd = ::open(fresh.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat written = {};
    if (fd < 0 || ::fstat(fd, &written) != 0 || !S_ISREG(written.st_mode) || written.st_size == 0) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(fresh.constData());
        throw Failure(QStringLiteral("Nothing was written to %1").arg(to.shown));
    }
    complete(fd, fresh, to, options);
}

void WriteBytesSafely(const QByteArray &bytes, const QString &target, const SafeWriteOptions &options)
{
    const Destination to = destinationOf(target, options);
    QByteArray fresh;
    const int fd = createFresh(to, fresh);
    if (const int error = writeAll(fd, bytes)) {
        ::close(fd);
        ::unlink(fresh.constData());
        failWriting(to.shown, error);
    }
    complete(fd, fresh, to, options);
}

void WriteWholeFile(const QByteArray &bytes, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        failWriting(path, errno);
    int error = writeAll(fd, bytes);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        failWriting(path, error);
}

bool DiskHasNoRoom(const QString &path)
{
    // Less than a small document: a writer that stopped there ran out of room.
    constexpr quint64 kRoomForADocument = 1024 * 1024;
    const QFileInfo info(path);
    struct statvfs space = {};
    return ::statvfs(QFile::encodeName(info.isDir() ? info.absoluteFilePath() : info.absolutePath()).constData(),
                     &space)
        == 0
        && quint64(space.f_bavail) * space.f_frsize < kRoomForADocument;
}
