#include "bench/BareOffice.h"

#include "core/TempFolder.h"
#include "resources/Resources.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <stdexcept>

QList<double> BareOfficeRuns(int runs)
{
    const QString root = TemporaryPath(QStringLiteral("bare-office-yardstick"));
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("/out"));
    const QString source = root + QStringLiteral("/labels.dot");
    {
        const QByteArray bytes = TemplateBytes();
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write the template");
    }
    const QString profile = QStringLiteral("-env:UserInstallation=file://") + root + QStringLiteral("/profile");
    const QStringList convert = {profile,
                                 QStringLiteral("--headless"),
                                 QStringLiteral("--convert-to"),
                                 QStringLiteral("doc"),
                                 QStringLiteral("--outdir"),
                                 root + QStringLiteral("/out"),
                                 source};
    auto run = [&] {
        QProcess office;
        office.start(QStringLiteral("soffice"), convert);
        if (!office.waitForFinished(120000) || office.exitCode() != 0)
            throw std::runtime_error("the bare office run failed");
    };
    run(); // creates the profile
    // A headless office never records that it has seen its version, and so
    // runs its graphics self-test at every start unless the profile says so.
    QFile data(QStringLiteral("/usr/lib/libreoffice/share/registry/main.xcd"));
    const QByteArray xcd = data.open(QIODevice::ReadOnly) ? data.readAll() : QByteArray();
    const QRegularExpression versionPattern(
        QStringLiteral("<prop oor:name=\"ooSetupVersion\"[^>]*>\\s*<value>([0-9.]+)</value>"));
    const QString version = versionPattern.match(QString::fromUtf8(xcd)).captured(1);
    QFile settings(root + QStringLiteral("/profile/user/registrymodifications.xcu"));
    if (version.isEmpty() || !settings.open(QIODevice::ReadWrite))
        throw std::runtime_error("cannot mark the bare office's profile as seen");
    QByteArray xml = settings.readAll();
    xml.replace("</oor:items>",
                "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" "
                "oor:op=\"fuse\"><value>"
                    + version.toLatin1() + "</value></prop></item>\n</oor:items>");
    settings.resize(0);
    settings.seek(0);
    settings.write(xml);
    settings.close();
    run();
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times << double(timer.nsecsElapsed()) / 1e6;
    }
    QDir(root).removeRecursively();
    return times;
}
