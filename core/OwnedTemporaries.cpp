#include "core/OwnedTemporaries.h"

#include "core/Failure.h"
#include "core/PrivateFolder.h"
#include "core/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ProcessState
{
    bool known = false;   // the process could be looked up at all
    bool running = false; // it exists and is not a zombie
    quint64 startTicks = 0;
};

// From /proc/<pid>/stat: "pid (comm) state ... starttime" (the 22nd field).
ProcessState processState(qint64 pid)
{
    ProcessState state;
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/stat";
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        state.known = errno == ENOENT;
        return state;
    }
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0)
        return state;
    const QByteArray line(buffer, n);
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return state;
    state.known = true;
    state.running = fields[0] != "Z" && fields[0] != "X";
    state.startTicks = fields[19].toULongLong();
    return state;
}

QString ownMark()
{
    static const QString mark =
        QStringLiteral("parcelon-%1-%2-").arg(::getpid()).arg(processState(::getpid()).startTicks);
    return mark;
}

// A name that OwnedTemporaryName made, with the random part filled in.
const QRegularExpression &ownedName()
{
    static const QRegularExpression name(
        QStringLiteral("^(?:.*\\.)?parcelon-([0-9]{1,10})-([0-9]{1,20})-[A-Za-z0-9]{6}(?:\\.[A-Za-z0-9]{1,10})?$"));
    return name;
}

// An unknown state (no /proc, no access) counts as running: nothing is
// removed that might be in use.
bool ownerHasEnded(qint64 pid, quint64 startTicks)
{
    const ProcessState state = processState(pid);
    if (!state.known)
        return false;
    return !state.running || state.startTicks != startTicks;
}

} // namespace

QString OwnedTemporaryName(const QString &head, const QString &tail)
{
    return head + ownMark() + QStringLiteral("XXXXXX") + tail;
}

QString OwnedTemporaryBeside(const QString &target)
{
    const QFileInfo info(target);
    RemoveDeadTemporaries(info.absolutePath());
    const QString tail = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.absolutePath() + QLatin1Char('/')
        + OwnedTemporaryName(QLatin1Char('.') + info.fileName() + QLatin1Char('.'), tail);
}

void RemoveDeadTemporaries(const QString &folder)
{
    if (folder.isEmpty())
        return;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                       | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch match = ownedName().match(entry);
        if (!match.hasMatch() || !ownerHasEnded(match.captured(1).toLongLong(), match.captured(2).toULongLong()))
            continue;
        const QString path = folder + QLatin1Char('/') + entry;
        const QByteArray name = QFile::encodeName(path);
        struct stat info = {};
        if (::lstat(name.constData(), &info) != 0 || info.st_uid != ::getuid())
            continue;
        if (S_ISREG(info.st_mode))
            ::unlink(name.constData());
        else if (S_ISDIR(info.st_mode))
            QDir(path).removeRecursively(); // links inside are removed, not followed
    }
}

void RemoveDeadTemporariesAtStart()
{
    try {
        RemoveDeadTemporaries(TemporaryFolder());
    } catch (const Failure &) {
        // No temporary folder: nothing can have been left there.
    }
    RemoveDeadTemporaries(QDir::tempPath());
    RemoveDeadTemporaries(PrivateCacheFolder());
}
