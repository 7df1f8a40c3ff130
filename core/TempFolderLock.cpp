#include "core/TempFolderLock.h"

#include "core/Failure.h"
#include "core/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLockFile>
#include <QThread>

namespace {
// A generation holds the lock for a second or two; far longer means the
// holder waits for its user on a report box.
std::chrono::milliseconds g_waitLimit{30000};
} // namespace

TempFolderLock::TempFolderLock() = default;

TempFolderLock::~TempFolderLock()
{
    release();
}

void TempFolderLock::acquire(const std::function<bool()> &giveUp)
{
    release();
    QString path;
    try {
        path = TemporaryPath(QStringLiteral("parcelon.lock"));
    } catch (const Failure &failure) {
        m_failure = failure.description();
        throw;
    }
    m_lock = std::make_unique<QLockFile>(path);
    // Age is no sign of a dead holder here (a holder may wait on its user);
    // the holder's process id is.
    m_lock->setStaleLockTime(0);
    // Tried in short rounds: on the main thread the windows paint in between,
    // and an ending program stops waiting.
    const QCoreApplication *program = QCoreApplication::instance();
    const bool onMainThread = program && QThread::currentThread() == program->thread();
    QElapsedTimer waited;
    waited.start();
    bool givenUp = false;
    for (;;) {
        if (m_lock->tryLock(0)) {
            m_held = true;
            return;
        }
        if (m_lock->error() != QLockFile::LockFailedError || waited.elapsed() >= g_waitLimit.count())
            break;
        if (giveUp && giveUp()) {
            givenUp = true;
            break;
        }
        if (onMainThread)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
    if (givenUp) {
        m_failure = QStringLiteral("The wait for the temporary folder %1 was given up").arg(TemporaryFolder());
    } else if (m_lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString application;
        const QString holder = m_lock->getLockInfo(&pid, &host, &application) ? QStringLiteral(" (process %1)").arg(pid)
                                                                              : QString();
        m_failure = QStringLiteral("Another copy of Parcelon%1 is using the temporary folder %2; "
                                   "try again when it has finished")
                        .arg(holder, TemporaryFolder());
    } else {
        m_failure = QStringLiteral("Cannot create the lock file %1").arg(path);
    }
    m_lock.reset();
    throw Failure(m_failure);
}

void TempFolderLock::release()
{
    if (m_lock && m_held)
        m_lock->unlock();
    m_lock.reset();
    m_held = false;
}

void TempFolderLock::requireHeld() const
{
    if (!m_held)
        throw Failure(m_failure.isEmpty() ? QStringLiteral("The temporary folder is not locked") : m_failure);
}

std::chrono::milliseconds TempFolderLock::waitLimit()
{
    return g_waitLimit;
}

void TempFolderLock::setWaitLimit(std::chrono::milliseconds limit)
{
    g_waitLimit = limit;
}
