#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString &rootPath()
{
    static QString path;
    return path;
}

void removeRoot()
{
    if (!rootPath().isEmpty())
        QDir(rootPath()).removeRecursively();
}

void makeFolder(const QString &path)
{
    QDir().mkpath(path);
    ::chmod(QFile::encodeName(path).constData(), 0700);
}
} // namespace

void TestEnvironment::install()
{
    QByteArray base = qgetenv("PARCELON_TEST_ROOT");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray pattern = base + "/parcelon-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        ::abort();
    rootPath() = QFile::decodeName(pattern);
    const QString r = rootPath();
    for (const char *sub : {"home", "config", "cache", "runtime", "temp"})
        makeFolder(r + QLatin1Char('/') + QLatin1String(sub));
    qputenv("HOME", QFile::encodeName(r + QStringLiteral("/home")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(r + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(r + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(r + QStringLiteral("/runtime")));
    qputenv("TEMP", QFile::encodeName(r + QStringLiteral("/temp")));
    qputenv("TMPDIR", QFile::encodeName(r + QStringLiteral("/temp")));
    std::atexit(removeRoot);
}

QString TestEnvironment::root()
{
    return rootPath();
}

QString TestEnvironment::temp()
{
    return rootPath() + QStringLiteral("/temp");
}

QString TestEnvironment::configHome()
{
    return rootPath() + QStringLiteral("/config");
}

QString TestEnvironment::settingsFile()
{
    return configHome() + QStringLiteral("/Quillmark/Quillmark.conf");
}
