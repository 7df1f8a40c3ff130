#include "tests/labels/EngineTestKit.h"

#include "core/Failure.h"
#include "resources/Resources.h"
#include "tests/support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <unistd.h>

namespace EngineTestKit {

QStringList placeholderPhrases()
{
    return {QStringLiteral("Sender Company"),           QStringLiteral("Sender Name"),
            QStringLiteral("Sender Street Address"),    QStringLiteral("Sender City, State and Zip Code"),
            QStringLiteral("Recipient Company"),        QStringLiteral("Recipient Name"),
            QStringLiteral("Recipient Street Address"), QStringLiteral("Recipient City, State and Zip Code")};
}

void writeLabelTemplate(const QString &path)
{
    const QByteArray bytes = TemplateBytes();
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        throw Failure(QStringLiteral("Cannot write %1").arg(path));
}

QString documentText(const QString &path)
{
    QProcess catdoc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    catdoc.setProcessEnvironment(env);
    catdoc.start(QStringLiteral("catdoc"), {QStringLiteral("-w"), QStringLiteral("-dutf-8"), path});
    if (!catdoc.waitForFinished(30000) || catdoc.exitCode() != 0)
        throw Failure(QStringLiteral("catdoc could not read %1: %2")
                          .arg(path, QString::fromLocal8Bit(catdoc.readAllStandardError())));
    return QString::fromUtf8(catdoc.readAllStandardOutput());
}

bool isCompoundDocument(const QString &path)
{
    return ReadFileBytes(path).startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1"));
}

QList<int> ourOfficeProcesses(int parent)
{
    parent = parent ? parent : ::getpid();
    QList<int> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("(soffice") && rest.size() > 1 && rest[1].toInt() == parent)
            found << entry.toInt();
    }
    return found;
}

QStringList ourPipeSockets()
{
    const QString prefix = QStringLiteral("OSL_PIPE_%1_parcelon-%2-").arg(::getuid()).arg(::getpid());
    QStringList found;
    for (const QString &folder : {QStringLiteral("/tmp"), QStringLiteral("/var/tmp")})
        for (const QString &name : QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::System))
            found << folder + QLatin1Char('/') + name;
    return found;
}

QStringList instanceFolders()
{
    const QString base = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/parcelon-office");
    QStringList found;
    for (const QString &name : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        found << base + QLatin1Char('/') + name;
    return found;
}

QString profilePipeSocket(const QString &instanceFolder)
{
    const QString url = QString::fromLatin1(
        QUrl::fromLocalFile(instanceFolder + QStringLiteral("/profile")).toEncoded());
    const QByteArray utf16(reinterpret_cast<const char *>(url.utf16()), url.size() * 2);
    QString hex;
    for (char byte : QCryptographicHash::hash(utf16, QCryptographicHash::Md5))
        hex += QString::number(static_cast<unsigned char>(byte), 16);
    return QStringLiteral("/tmp/OSL_PIPE_%1_SingleOfficeIPC_%2").arg(::getuid()).arg(hex);
}

QStringList leftovers(const QStringList &profileSockets)
{
    QStringList found;
    for (int pid : ourOfficeProcesses())
        found << QStringLiteral("office process %1").arg(pid);
    found << ourPipeSockets() << instanceFolders();
    for (const QString &socket : profileSockets)
        if (QFileInfo::exists(socket))
            found << socket;
    return found;
}

} // namespace EngineTestKit
