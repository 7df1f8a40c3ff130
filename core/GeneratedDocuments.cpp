#include "core/GeneratedDocuments.h"

#include "core/Failure.h"
#include "core/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kMarkerSuffix = QStringLiteral(".owner");

// Document path -> descriptor of its locked marker. Close-on-exec, so that
// no office started meanwhile inherits the lock and keeps it after we die.
QHash<QString, int> &claims()
{
    static QHash<QString, int> held;
    return held;
}

QByteArray markerName(const QString &document)
{
    return QFile::encodeName(document + kMarkerSuffix);
}

int openMarker(const QByteArray &name, int extraFlags)
{
    int fd;
    do
        fd = ::open(name.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | extraFlags, 0600);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Locks the opened marker and checks that it is still the file at its name:
// between open and lock a sweep may have removed the name.
bool lockMarker(int fd, const QByteArray &name)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    struct stat opened
    {
    }, current{};
    return ::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &current) == 0 && opened.st_dev == current.st_dev
        && opened.st_ino == current.st_ino;
}

bool isOwnRegularFile(const QByteArray &name)
{
    struct stat info = {};
    return ::lstat(name.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid();
}

} // namespace

bool ClaimGeneratedDocument(const QString &path)
{
    const QByteArray marker = markerName(path);
    const int fd = openMarker(marker, O_EXCL);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw Failure(QStringLiteral("Cannot create %1: %2")
                          .arg(QFile::decodeName(marker), QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (!lockMarker(fd, marker)) {
        ::close(fd); // a sweep holds it and removes it
        return false;
    }
    claims().insert(path, fd);
    return true;
}

void DeleteGeneratedDocument(const QString &path)
{
    DeleteFileQuietly(path);
    const auto claim = claims().constFind(path);
    if (claim == claims().constEnd())
        return;
    const int fd = claim.value();
    claims().erase(claim);
    // The document goes first: a document never exists without its marker.
    ::unlink(markerName(path).constData());
    ::close(fd);
}

void DeleteGeneratedDocuments()
{
    const QStringList held = claims().keys();
    for (const QString &path : held)
        DeleteGeneratedDocument(path);
}

void RemoveOrphanedDocuments(const QString &folder)
{
    static const QRegularExpression documentName(QStringLiteral("^qmtemp[1-9]{8}\\.doc$"));
    QSet<QString> names;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                       | QDir::NoDotAndDotDot);
    for (QString name : entries) {
        if (name.endsWith(kMarkerSuffix))
            name.chop(kMarkerSuffix.size());
        if (documentName.match(name).hasMatch())
            names.insert(name);
    }
    for (const QString &name : std::as_const(names)) {
        const QString path = folder + QLatin1Char('/') + name;
        if (claims().contains(path))
            continue;
        // Taking the marker (creating it where it is missing) is a claim of
        // the name: no running copy can start a document under it meanwhile.
        const QByteArray marker = markerName(path);
        const int fd = openMarker(marker, 0);
        if (fd < 0)
            continue; // another user's, a link, or no access: not ours to judge
        if (lockMarker(fd, marker) && isOwnRegularFile(marker)) {
            const QByteArray document = QFile::encodeName(path);
            if (isOwnRegularFile(document))
                ::unlink(document.constData());
            ::unlink(marker.constData());
        }
        ::close(fd);
    }
}
