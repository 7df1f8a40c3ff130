#include "core/SettingsStore.h"

#include "core/AppInfo.h"
#include "core/SafeWrite.h"
#include "core/SettingsIni.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a write waits while another program holds the lock (a write holds
// it for about a millisecond). After a write failed the next ones do not wait
// at all, so typing never stalls behind a lock that is not given back; the
// values wait in the store for a write that succeeds.
constexpr int kLockWaitMs = 1000;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString sectionName()
{
    return QString::fromLatin1(AppInfo::kProductTitle);
}

// QSettings' lock file "<settings file>.lock", taken the way QLockFile takes
// it (made exclusively, holding pid, program, host, machine and boot ids,
// flock'ed so that nobody removes it as stale while it is held) but without
// QLockFile's fdatasync: a disk flush of 5 to 20 ms per keystroke that buys
// nothing here, since a lock left behind by a crash is stale either way. The
// run's first lock is QLockFile's own, and later locks copy what it wrote; a
// lock file that is already there, held or left by a killed program, is
// QLockFile's to judge.
class SettingsLock
{
public:
    explicit SettingsLock(const QString &path)
        : m_path(QFile::encodeName(path))
        , m_qt(path)
    {
    }
    SettingsLock(const SettingsLock &) = delete;
    SettingsLock &operator=(const SettingsLock &) = delete;
    ~SettingsLock()
    {
        if (m_fd >= 0) {
            ::unlink(m_path.constData());
            ::close(m_fd);
        }
    }

    // One try; error() tells a held lock from one that cannot be made.
    bool tryLock()
    {
        static QByteArray contents; // what QLockFile writes for this process
        if (!contents.isEmpty()) {
            const int fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                struct flock range = {};
                range.l_type = F_WRLCK;
                range.l_whence = SEEK_SET;
                if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fcntl(fd, F_SETLK, &range) == 0
                    && ::write(fd, contents.constData(), size_t(contents.size())) == contents.size()) {
                    m_fd = fd;
                    return true;
                }
                ::unlink(m_path.constData());
                ::close(fd);
                m_error = QLockFile::UnknownError;
                return false;
            }
            if (errno != EEXIST) {
                m_error = errno == EACCES || errno == EROFS ? QLockFile::PermissionError : QLockFile::UnknownError;
                return false;
            }
        }
        if (!m_qt.tryLock(0)) {
            m_error = m_qt.error();
            return false;
        }
        if (contents.isEmpty()) {
            QFile file(m_qt.fileName());
            if (file.open(QIODevice::ReadOnly))
                contents = file.readAll();
        }
        return true;
    }

    QLockFile::LockError error() const { return m_error; }

private:
    QByteArray m_path;
    QLockFile m_qt;
    int m_fd = -1;
    QLockFile::LockError m_error = QLockFile::NoError;
};

struct FileBytes
{
    QByteArray bytes;
    bool exists = false;
    struct stat info = {};
};

// Reads the settings file without ever blocking: only a regular file is
// opened, and non-blocking, in case a pipe takes its place in between. A
// missing file reads as empty. Gives the reason when the file cannot be read.
QString loadFile(const QByteArray &path, FileBytes &file)
{
    if (::stat(path.constData(), &file.info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? QString() : systemError(errno);
    if (S_ISDIR(file.info.st_mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(file.info.st_mode))
        return QStringLiteral("it is a named pipe");
    if (!S_ISREG(file.info.st_mode))
        return QStringLiteral("it is not an ordinary file");
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemError(errno);
    QString error;
    if (::fstat(fd, &file.info) != 0 || !S_ISREG(file.info.st_mode))
        error = QStringLiteral("it is not an ordinary file");
    char buffer[16384];
    while (error.isEmpty()) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            file.bytes.append(buffer, n);
        else if (n == 0)
            break;
        else if (errno != EINTR)
            error = systemError(errno);
    }
    ::close(fd);
    file.exists = error.isEmpty();
    return error;
}

// The file that a symbolic link at the settings path leads to, through any
// number of links (a dotfile manager's), so the link stays a link.
QByteArray resolveLinks(QByteArray path)
{
    for (int hops = 0; hops < 40; ++hops) {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
        if (n <= 0 || size_t(n) >= sizeof buffer)
            break;
        QByteArray next(buffer, n);
        if (!next.startsWith('/'))
            next.prepend(path.left(path.lastIndexOf('/') + 1));
        path = next;
    }
    return path;
}

// Puts the bytes in the file's place at once (WriteBytesSafely): a program
// killed at any moment leaves the old file or the new one, never a torn one,
// and the file keeps its owner, group and mode. Not flushed to the disk:
// that would cost a disk flush per keystroke, and after a power cut ext4
// (auto_da_alloc) still has the old file or the new one.
QString replaceFile(const QByteArray &target, const QByteArray &bytes)
{
    SafeWriteOptions options;
    options.flush = false;
    try {
        WriteBytesSafely(bytes, QFile::decodeName(target), options);
    } catch (const DiskFull &) {
        return QStringLiteral("the disk is full");
    } catch (const Failure &failure) {
        return failure.description();
    }
    return QString();
}

} // namespace

SettingsStore::SettingsStore()
    : m_fileName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
                 + QLatin1String(AppInfo::kOrganisation) + QLatin1Char('/') + QLatin1String(AppInfo::kOrganisation)
                 + QStringLiteral(".conf"))
    , m_lockWaitMs(kLockWaitMs)
{
}

QString SettingsStore::read(const QString &key, const QString &defaultValue)
{
    FileBytes file;
    const QString error = loadFile(QFile::encodeName(m_fileName), file);
    if (!error.isEmpty()) {
        if (m_unusable.isEmpty())
            m_unusable = error;
        return defaultValue;
    }
    const SettingsIni ini(file.bytes, sectionName());
    if (m_unusable.isEmpty())
        m_unusable = ini.damage();
    const QString value = ini.value(key).value_or(defaultValue);
    m_held.insert(key, value);
    return value;
}

std::optional<QString> SettingsStore::peek(const QString &key) const
{
    FileBytes file;
    if (!loadFile(QFile::encodeName(m_fileName), file).isEmpty())
        return std::nullopt;
    return SettingsIni(file.bytes, sectionName()).value(key);
}

bool SettingsStore::write(const QString &key, const QString &value)
{
    m_held.insert(key, value);
    if (m_unusable.isEmpty()) {
        m_pending.insert(key, value);
        m_lastError = store();
    }
    if (!m_unusable.isEmpty()) {
        m_lastError = m_unusable;
        m_pending.clear();
        return false;
    }
    if (!m_lastError.isEmpty())
        return false;
    m_pending.clear();
    return true;
}

// Writes the pending values the way QSettings itself syncs: under its lock
// file, so that other programs of the vendor and other copies of this one
// never drop each other's keys, the file is read afresh, changed and put in
// place. A file that cannot be read, or that holds no settings, is never
// written over: the store leaves it alone for the rest of the run.
QString SettingsStore::store()
{
    const QString folder = QFileInfo(m_fileName).path();
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder %1 cannot be made").arg(folder);
    // Short sleeps between tries: QLockFile's own wait sleeps 100 ms and more.
    SettingsLock lock(m_fileName + QStringLiteral(".lock"));
    const QDeadlineTimer deadline(m_lockWaitMs);
    while (!lock.tryLock()) {
        if (lock.error() != QLockFile::LockFailedError)
            return QStringLiteral("its lock file cannot be made in %1").arg(folder);
        if (deadline.hasExpired()) {
            m_lockWaitMs = 0;
            return QStringLiteral("another program keeps it locked");
        }
        QThread::usleep(500 + QRandomGenerator::global()->bounded(1000));
    }
    m_lockWaitMs = kLockWaitMs;

    const QByteArray target = resolveLinks(QFile::encodeName(m_fileName));
    FileBytes file;
    m_unusable = loadFile(target, file);
    if (m_unusable.isEmpty())
        m_unusable = SettingsIni(file.bytes, sectionName()).damage();
    if (!m_unusable.isEmpty())
        return m_unusable;

    QByteArray bytes = file.bytes;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        bytes = SettingsIni(bytes, sectionName()).withValue(it.key(), it.value());
    const SettingsIni written(bytes, sectionName());
    for (auto it = m_held.cbegin(); it != m_held.cend(); ++it) {
        if (!written.value(it.key()))
            bytes = SettingsIni(bytes, sectionName()).withValue(it.key(), it.value());
    }
    if (bytes == file.bytes)
        return QString();
    if (file.exists && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
        return systemError(errno); // a read-only file is the user's choice
    return replaceFile(target, bytes);
}
