#include "core/TempFolder.h"

#include "core/Failure.h"
#include "core/PrivateFolder.h"

#include <QtGlobal>

namespace {

QString privateFolder()
{
    const QString runtime = PrivateRuntimeFolder(QStringLiteral("parcelon"));
    if (!runtime.isEmpty())
        return runtime;
    const QString cache = PrivateCacheFolder();
    if (cache.isEmpty())
        throw Failure(QStringLiteral("No private temporary folder is available (set TEMP)"));
    const QString path = cache + QStringLiteral("/tmp");
    if (MakePrivateFolder(path))
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
