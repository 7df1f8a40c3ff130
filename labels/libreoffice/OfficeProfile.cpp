#include "labels/libreoffice/OfficeProfile.h"

#include "core/OwnedTemporaries.h"
#include "core/PrivateFolder.h"
#include "labels/libreoffice/OfficeProcess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

// Marks a profile we have finished preparing; a folder without it is not used.
constexpr char kMarker[] = "parcelon-prepared-3";

// Settings every office of ours runs with: no lock files beside the
// documents (the template and the generated document stay alone in the
// temporary folder) and no autosave or recovery work.
constexpr char kSettings[] =
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseLocking\" "
    "oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Recovery/AutoSave\"><prop oor:name=\"Enabled\" "
    "oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Recovery/RecoveryInfo\"><prop oor:name=\"Enabled\" "
    "oor:op=\"fuse\"><value>false</value></prop></item>\n";

// The office's own version ("7.4"), from its configuration data.
QString productVersion(const OfficeSettings &settings)
{
    QFile data(settings.programFolder + QStringLiteral("/../share/registry/main.xcd"));
    if (!data.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray xml = data.readAll();
    const int prop = xml.indexOf("<prop oor:name=\"ooSetupVersion\">");
    const int start = prop < 0 ? -1 : xml.indexOf("<value>", prop);
    const int end = start < 0 ? -1 : xml.indexOf("</value>", start);
    if (end < 0 || end - start > 40)
        return QString();
    const QString version = QString::fromLatin1(xml.mid(start + 7, end - start - 7)).trimmed();
    static const QRegularExpression plain(QStringLiteral("^[0-9]+\\.[0-9]+$"));
    return plain.match(version).hasMatch() ? version : QString();
}

QString versionKey(const OfficeSettings &settings)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(settings.program.toUtf8());
    QFile version(settings.programFolder + QStringLiteral("/versionrc"));
    if (version.open(QIODevice::ReadOnly))
        hash.addData(version.readAll());
    else
        hash.addData(QByteArray::number(QFileInfo(settings.program).lastModified().toSecsSinceEpoch()));
    return QString::fromLatin1(hash.result().toHex().left(16));
}

bool isPrepared(const QString &profile)
{
    return QFileInfo::exists(profile + QLatin1Char('/') + QLatin1String(kMarker))
        && QFileInfo::exists(profile + QStringLiteral("/user/registrymodifications.xcu"));
}

bool addSettings(const QString &profile, const OfficeSettings &settings)
{
    QFile file(profile + QStringLiteral("/user/registrymodifications.xcu"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray xml = file.readAll();
    file.close();
    const int end = xml.lastIndexOf("</oor:items>");
    if (end < 0)
        return false;
    QByteArray items = kSettings;
    // A headless office never records that it has seen its version, so it
    // would run its graphics self-test (most of a second) on every start.
    const QString version = productVersion(settings);
    if (!version.isEmpty())
        items += "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" "
                 "oor:op=\"fuse\"><value>"
            + version.toLatin1() + "</value></prop></item>\n";
    xml.insert(end, items);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(xml) != xml.size())
        return false;
    file.close();
    QFile marker(profile + QLatin1Char('/') + QLatin1String(kMarker));
    return marker.open(QIODevice::WriteOnly);
}

// Runs one office on an empty profile until it has written it completely.
void prepareInto(const QString &staging, const OfficeSettings &settings)
{
    auto office = OfficeProcess::start(settings, staging, OfficeProcess::ProfileUse::InPlace);
    office->shutDown();
    QFile::remove(staging + QStringLiteral("/.lock"));
    // Written by the self-test of the first start; its absence in an office's
    // profile shows that the office skipped the test.
    QFile::remove(staging + QStringLiteral("/user/GraphicsRenderTests.log"));
    if (!addSettings(staging, settings)) {
        const QString space = OfficeProcess::spaceProblem({staging});
        throw EngineError(QStringLiteral("The LibreOffice profile in %1 could not be prepared%2")
                              .arg(staging, space.isEmpty() ? QString() : QStringLiteral(": ") + space));
    }
}

} // namespace

namespace OfficeProfile {

QString prepared(const OfficeSettings &settings)
{
    static std::mutex mutex;
    static QString processProfile; // used when there is no cache folder
    std::lock_guard lock(mutex);

    const QString cache = PrivateCacheFolder();
    if (cache.isEmpty()) {
        if (!processProfile.isEmpty() && isPrepared(processProfile))
            return processProfile;
        QByteArray pattern = QFile::encodeName(QDir::tempPath() + QLatin1Char('/')
                                               + OwnedTemporaryName(QStringLiteral("parcelon-profile.")));
        if (!::mkdtemp(pattern.data()))
            throw EngineError(QStringLiteral("No folder for the LibreOffice profile could be created"));
        processProfile = QFile::decodeName(pattern);
        static const QString removeAtExit = processProfile;
        std::atexit([] { QDir(removeAtExit).removeRecursively(); });
        prepareInto(processProfile, settings);
        return processProfile;
    }

    const QString target = cache + QStringLiteral("/office-profile-") + versionKey(settings);
    if (isPrepared(target))
        return target;
    QDir(target).removeRecursively(); // an unfinished or broken one

    // Prepared beside the target and renamed into place, so that a program
    // running at the same time never sees a half-written profile.
    QByteArray pattern = QFile::encodeName(OwnedTemporaryName(target + QLatin1Char('.')));
    if (!::mkdtemp(pattern.data()))
        throw EngineError(QStringLiteral("No folder for the LibreOffice profile could be created in %1: %2")
                              .arg(cache, QString::fromLocal8Bit(std::strerror(errno))));
    const QString staging = QFile::decodeName(pattern);
    try {
        prepareInto(staging, settings);
    } catch (...) {
        QDir(staging).removeRecursively();
        throw;
    }
    if (::rename(pattern.constData(), QFile::encodeName(target).constData()) != 0) {
        const int error = errno;
        QDir(staging).removeRecursively();
        if (!isPrepared(target))
            throw EngineError(QStringLiteral("The LibreOffice profile could not be stored in %1: %2")
                                  .arg(target, QString::fromLocal8Bit(std::strerror(error))));
    }
    return target;
}

bool copyFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const int prefix = from.size();
    while (it.hasNext()) {
        const QString source = it.next();
        const QFileInfo info = it.fileInfo();
        const QString destination = to + source.mid(prefix);
        if (info.isSymLink())
            continue;
        if (info.isDir()) {
            if (!QDir().mkpath(destination))
                return false;
        } else if (info.fileName() != QLatin1String(".lock")) {
            if (!QFile::copy(source, destination))
                return false;
        }
    }
    return true;
}

} // namespace OfficeProfile
