#include "SafeCopy.h"

#include "Failure.h"

#include <QFile>
#include <QSaveFile>

void SafeCopy(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));

    QSaveFile out(target);
    // Never write into the target itself, even where a new file beside it cannot be made.
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        throw Failure(QStringLiteral("Cannot create %1: %2").arg(target, out.errorString()));

    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            out.cancelWriting();
            throw Failure(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));
        }
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n) {
            const QString reason = out.errorString();
            out.cancelWriting();
            throw Failure(QStringLiteral("Cannot write %1: %2").arg(target, reason));
        }
    }
    if (!out.commit())
        throw Failure(QStringLiteral("Cannot write %1: %2").arg(target, out.errorString()));
}
