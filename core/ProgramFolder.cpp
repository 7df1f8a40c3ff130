#include "core/ProgramFolder.h"

#include "core/FileUtils.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString &overrideFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFilePath(const QString &relativePath)
{
    if (!overrideFolder().isEmpty())
        return overrideFolder() + QLatin1Char('/') + relativePath;
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString beside = programFolder + QLatin1Char('/') + relativePath;
    if (FileExists(beside))
        return beside;
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../share/parcelon/") + relativePath);
    if (FileExists(installed))
        return installed;
    return beside;
}

void OverrideProgramFolder(const QString &folder)
{
    overrideFolder() = folder;
}
