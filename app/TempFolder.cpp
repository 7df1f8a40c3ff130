#include "TempFolder.h"

#include "Failure.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder we may use privately: a real folder (not a link), ours, and closed
// to everybody else. A folder of ours with looser rights is tightened.
bool makePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    if ((info.st_mode & 0077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return false;
    return true;
}

QString privateFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        const QString path = runtime + QStringLiteral("/parcelon");
        if (makePrivateFolder(path))
            return path;
    }
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache)) {
        const QString home = QDir::homePath();
        if (home.isEmpty() || home == QStringLiteral("/"))
            throw Failure(QStringLiteral("No private temporary folder is available (set TEMP)"));
        cache = home + QStringLiteral("/.cache");
    }
    QDir().mkpath(cache);
    const QString base = cache + QStringLiteral("/parcelon");
    const QString path = base + QStringLiteral("/tmp");
    if (makePrivateFolder(base) && makePrivateFolder(path))
        return path;
    throw Failure(QStringLiteral("Cannot create the private temporary folder %1").arg(path));
}

} // namespace

QString TemporaryFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty())
        return temp;
    return privateFolder();
}

QString TemporaryPath(const QString &fileName)
{
    return TemporaryFolder() + QLatin1Char('/') + fileName;
}
