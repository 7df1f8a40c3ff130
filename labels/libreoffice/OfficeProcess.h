#pragma once

#include "labels/WordApplication.h"
#include "labels/libreoffice/OfficeSettings.h"
#include "labels/libreoffice/PaintingWait.h"
#include "labels/libreoffice/UnoBridge.h"
#include "labels/libreoffice/Watchdog.h"

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <type_traits>

// One running soffice.bin and the bridge to it. The process gets a private
// profile, pipe and temporary folder, dies with the program (parent-death
// signal, own process group) and is cleaned up completely by shutDown() or
// discard(): process group, pipe sockets, profile and temporary folder.
//
// The parent-death signal follows the thread that forks: start offices only
// on a thread that outlives them (see OfficeHost).
class OfficeProcess
{
public:
    enum class ProfileUse {
        Copy,   // copy the given prepared profile into the instance folder
        InPlace // use (and fill) the given folder itself: preparing a profile
    };

    // Starts an office and connects to it. Throws EngineError.
    static std::unique_ptr<OfficeProcess> start(const OfficeSettings &settings, const QString &profile, ProfileUse use);
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess &) = delete;
    OfficeProcess &operator=(const OfficeProcess &) = delete;

    css::uno::Reference<css::frame::XDesktop2> desktop() const { return m_desktop; }
    css::uno::Reference<css::uno::XComponentContext> context() const { return m_remoteContext; }
    // A private scratch folder inside the instance folder.
    QString scratchFolder() const;
    pid_t pid() const { return m_pid; }
    const OfficeSettings &settings() const { return m_settings; }

    // Runs one call into the office under the watchdog. Office exceptions
    // become EngineError; `what` names the action for the description
    // ("opening /tmp/a.doc").
    template <typename Action>
    auto call(const QString &what, Action &&action) -> decltype(action())
    {
        return call(m_settings.callLimit, what, std::forward<Action>(action));
    }
    template <typename Action>
    auto call(std::chrono::milliseconds limit, const QString &what, Action &&action) -> decltype(action());

    // Asks the office to end, waits a little, then kills its process group
    // and removes everything the instance left. Never throws; idempotent.
    void shutDown();
    // Kills the process group at once, reaps it and removes everything the
    // instance left; nothing is asked of the office. Calls that come later
    // fail as they do after the office died. Never throws; idempotent.
    void discard();
    // Kills the office at once (used on failures and by the watchdog).
    void kill();
    bool hasEnded() const;
    // Ended, or stopped by the watchdog: the office can do nothing more.
    bool hasFailed() const;
    // One round trip to the office under the watchdog, at most `limit`
    // (settings().pingLimit when zero): false when it has failed or does not
    // answer (the watchdog then kills it).
    bool answers(std::chrono::milliseconds limit = {});
    // Kills every office of this process started with the given cancel flag,
    // those still starting included (the program is ending).
    static void killAll(const std::atomic<bool> *cancelled);
    // What lacks space among `folders`, for a failure's description; empty
    // when each has room for an office.
    static QString spaceProblem(const QStringList &folders);
    // The office's resident memory in bytes; 0 when it is not running.
    qint64 residentBytes() const;

private:
    explicit OfficeProcess(const OfficeSettings &settings);
    void launch(const QString &profile, ProfileUse use);
    void spawn();
    void connect();
    void throwIfUnusable(const QString &what) const;
    EngineError failure(const QString &what, const QString &detail, std::chrono::milliseconds limit) const;
    void waitForExit(std::chrono::milliseconds limit);
    void reap();
    void removeLeftovers();

    OfficeSettings m_settings;
    QString m_instanceFolder;
    QString m_profileFolder;
    QString m_profileUrl;
    QString m_pipeName;
    bool m_profileInPlace = false;
    pid_t m_pid = 0;
    mutable std::mutex m_pidMutex;        // the watchdog kills while the caller may reap
    bool m_shutDown = false;              // ended on request: later calls say so
    std::atomic<bool> m_cleanedUp{false}; // read by sessions while the host ends it
    css::uno::Reference<css::uno::XComponentContext> m_remoteContext;
    css::uno::Reference<css::frame::XDesktop2> m_desktop;
    std::unique_ptr<Watchdog> m_watchdog;
};

template <typename Action>
auto OfficeProcess::call(std::chrono::milliseconds limit, const QString &what, Action &&action) -> decltype(action())
{
    throwIfUnusable(what);
    using Result = decltype(action());
    try {
        WatchdogScope scope(*m_watchdog, limit);
        // On the main thread the windows go on painting meanwhile.
        if constexpr (std::is_void_v<Result>) {
            PaintingWait::run(action);
            if (m_watchdog->fired())
                throw failure(what, QString(), limit);
        } else {
            Result result = PaintingWait::run(action);
            if (m_watchdog->fired())
                throw failure(what, QString(), limit);
            return result;
        }
    } catch (const EngineError &) {
        throw;
    } catch (const css::lang::DisposedException &e) {
        // The bridge notices a dying office a moment before the process has
        // ended; give it that moment so the description says what happened.
        waitForExit(std::chrono::milliseconds(1000));
        throw failure(what, UnoBridge::describe(e), limit);
    } catch (const css::uno::Exception &e) {
        throw failure(what, UnoBridge::describe(e), limit);
    }
}
