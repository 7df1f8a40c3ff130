#include "preview/SafeCopy.h"

#include "core/Failure.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>

namespace {

// A full disk (or a used-up quota) is said plainly: it is the one failure
// the user can mend at once.
QString writeFailure(const QString &action, const QString &target, int error, const QString &reason)
{
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("Disk full");
    return QStringLiteral("%1 %2: %3").arg(action, target, reason);
}

} // namespace

void SafeCopy(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));

    QSaveFile out(target);
    // Never write into the target itself, even where a new file beside it cannot be made.
    out.setDirectWriteFallback(false);
    // Unbuffered, so that a failing write reports at once and with its reason
    // (a buffered one is merely short and says "Unknown error").
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Failure(writeFailure(QStringLiteral("Cannot create"), target, errno, out.errorString()));

    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            out.cancelWriting();
            throw Failure(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));
        }
        if (n == 0)
            break;
        errno = 0;
        const qint64 written = out.write(buffer.constData(), n);
        if (written != n) {
            // A short write to a file means there was no room for the rest.
            const int error = written >= 0 ? ENOSPC : errno;
            const QString reason = out.errorString();
            out.cancelWriting();
            throw Failure(writeFailure(QStringLiteral("Cannot write"), target, error, reason));
        }
    }
    errno = 0;
    if (!out.commit())
        throw Failure(writeFailure(QStringLiteral("Cannot write"), target, errno, out.errorString()));
}
