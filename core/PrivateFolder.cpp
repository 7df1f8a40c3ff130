#include "core/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

bool MakePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST))
        return false;
    struct stat info = {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    return (info.st_mode & 0077) == 0 || ::chmod(name.constData(), 0700) == 0;
}

QString PrivateRuntimeFolder(const QString &name)
{
    // Without XDG_RUNTIME_DIR Qt would warn and offer a stand-in under /tmp;
    // callers have better second choices.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return QString();
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return QString();
    const QString path = runtime + QLatin1Char('/') + name;
    return MakePrivateFolder(path) ? path : QString();
}

QString PrivateCacheFolder()
{
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    // Qt 6.4 passes a relative XDG_CACHE_HOME on; the XDG rules say to ignore it.
    if (!QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    // Without a home that is "/.cache": never a folder at the root.
    if (QFileInfo(QDir::cleanPath(cache)).absolutePath() == QDir::rootPath())
        return QString();
    const QString path = cache + QStringLiteral("/parcelon");
    return QDir().mkpath(cache) && MakePrivateFolder(path) ? path : QString();
}
