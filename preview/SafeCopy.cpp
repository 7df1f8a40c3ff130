#include "preview/SafeCopy.h"

#include "core/Failure.h"
#include "core/SafeWrite.h"

#include <QFile>
#include <QFileInfo>

void SafeCopy(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));
    // Read whole first: the source may be the target itself.
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || bytes.size() != in.size())
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));
    SafeWriteOptions options;
    options.check = [&](const QString &path) {
        const qint64 size = QFileInfo(path).size();
        return size == bytes.size() ? QString() : QStringLiteral("%1 of %2 bytes arrived").arg(size).arg(bytes.size());
    };
    WriteBytesSafely(bytes, target, options);
}
