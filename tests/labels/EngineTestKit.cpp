#include "EngineTestKit.h"

#include "Resources.h"
#include "WordApplication.h"

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
    return {QStringLiteral("Sender Company"),
            QStringLiteral("Sender Name"),
            QStringLiteral("Sender Street Address"),
            QStringLiteral("Sender City, State and Zip Code"),
            QStringLiteral("Recipient Company"),
            QStringLiteral("Recipient Name"),
            QStringLiteral("Recipient Street Address"),
            QStringLiteral("Recipient City, State and Zip Code")};
}

namespace {

QString labelCell()
{
    const QStringList phrases = placeholderPhrases();
    QString cell = QStringLiteral("<table:table-cell office:value-type=\"string\">");
    for (int i = 0; i < 4; ++i)
        cell += QStringLiteral("<text:p>%1</text:p>").arg(phrases[i]);
    cell += QStringLiteral("<text:p/><text:p/><text:p/>");
    for (int i = 4; i < 8; ++i)
        cell += QStringLiteral("<text:p>%1</text:p>").arg(phrases[i]);
    return cell + QStringLiteral("<text:p/></table:table-cell>");
}

QByteArray flatLabelDocument()
{
    QFile file(QStringLiteral(PARCELON_ENGINE_TEST_DATA "/engine-labels.fodt"));
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("The test document source is missing"));
    QString row = QStringLiteral("<table:table-row table:style-name=\"Row\">") + labelCell()
                  + QStringLiteral("<table:table-cell><text:p/></table:table-cell>") + labelCell()
                  + QStringLiteral("</table:table-row>");
    return QString::fromUtf8(file.readAll()).replace(QStringLiteral("@ROWS@"), row.repeated(3)).toUtf8();
}

} // namespace

void writeLabelTemplate(EngineFactory &engines, const QString &path)
{
    QByteArray bytes;
    try {
        bytes = TemplateBytes();
    } catch (const Failure &) {
    }
    if (bytes.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1"))) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            throw Failure(QStringLiteral("Cannot write %1").arg(path));
        return;
    }
    const QString flat = path + QStringLiteral(".fodt");
    {
        QFile out(flat);
        const QByteArray source = flatLabelDocument();
        if (!out.open(QIODevice::WriteOnly) || out.write(source) != source.size())
            throw Failure(QStringLiteral("Cannot write %1").arg(flat));
    }
    auto word = engines.createApplication();
    word->open(flat, true)->saveAs(path);
    word->quit();
    QFile::remove(flat);
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
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray::fromHex("d0cf11e0");
}

QList<int> ourOfficeProcesses()
{
    QList<int> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // pid (comm) state ppid ...
        const int close = line.lastIndexOf(')');
        const QByteArray comm = line.mid(line.indexOf('(') + 1, close - line.indexOf('(') - 1);
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest[1].toInt() == ::getpid() && comm.startsWith("soffice"))
            found << pid;
    }
    return found;
}

QStringList ourPipeSockets()
{
    const QString prefix = QStringLiteral("OSL_PIPE_%1_parcelon-%2-").arg(::getuid()).arg(::getpid());
    QStringList found;
    for (const QString &folder : {QStringLiteral("/tmp"), QStringLiteral("/var/tmp")}) {
        for (const QString &name : QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::System))
            found << folder + QLatin1Char('/') + name;
    }
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
