#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString WhyNoPrivateMount()
{
    static const QString why = [] {
        if (::geteuid() != 0)
            return QStringLiteral("mounting a small file system needs the superuser");
        if (QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
            return QStringLiteral("unshare is not installed");
        QTemporaryDir point;
        QProcess probe;
        probe.start(QStringLiteral("unshare"),
                    {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                     QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=64k"), QStringLiteral("tmpfs"), point.path()});
        if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            return QStringLiteral("no private mount here (%1)")
                .arg(QString::fromLocal8Bit(probe.readAllStandardError()).trimmed());
        return QString();
    }();
    return why;
}
