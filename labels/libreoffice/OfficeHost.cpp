#include "labels/libreoffice/OfficeHost.h"

#include "labels/libreoffice/LibreOfficeApplication.h"
#include "labels/libreoffice/LibreOfficeDocument.h"
#include "labels/libreoffice/OfficeProcess.h"
#include "labels/libreoffice/OfficeProfile.h"
#include "labels/libreoffice/OfficeSettings.h"

#include <QFile>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <vector>

using namespace std::chrono_literals;

namespace {

// How often the idle host looks whether its office is still alive.
constexpr auto kHealthCheckInterval = 1s;
// How long no session must have been open before an office is recycled.
constexpr auto kRecycleWhenIdleFor = 2s;

} // namespace

struct OfficeHost::State
{
    std::mutex mutex;
    std::condition_variable changed; // wakes the worker and every waiter

    std::shared_ptr<OfficeProcess> office;
    bool officeWarm = false;
    // A session finished on it while it was alive: worth replacing at once
    // when it dies. An office that fails before it ever served is replaced
    // only when the next session asks, so a broken installation never
    // makes the host start offices in a loop.
    bool officeServed = false;
    // A warmed office waiting to take over from one that has grown too large.
    std::shared_ptr<OfficeProcess> spare;
    std::vector<std::shared_ptr<OfficeProcess>> discarded;

    int sessions = 0;
    std::chrono::steady_clock::time_point lastSessionEnd;
    bool memoryCheckDue = false;

    QByteArray templateBytes;
    bool warmUpWanted = false;
    bool busy = false; // background work holds the office; sessions wait

    quint64 startsWanted = 0;
    quint64 startsDone = 0;
    std::exception_ptr startError;

    bool stopping = false;
    bool stopped = false;

    // Makes `fresh` (which may be null) the office; the old one is ended in the background.
    void install(std::shared_ptr<OfficeProcess> fresh, bool warm)
    {
        if (office)
            discarded.push_back(office);
        office = std::move(fresh);
        officeWarm = office && warm;
        officeServed = false;
    }

    void sessionEnded(const OfficeProcess *used)
    {
        std::lock_guard lock(mutex);
        --sessions;
        lastSessionEnd = std::chrono::steady_clock::now();
        if (used == office.get() && !office->hasFailed()) {
            officeServed = true;
            memoryCheckDue = true;
        }
        changed.notify_all();
    }
};

OfficeHost::OfficeHost(PictureClipboard *clipboard, PagePictureRenderer *renderer)
    : m_clipboard(clipboard)
    , m_renderer(renderer)
    , m_state(std::make_shared<State>())
{
    m_worker = std::thread([this] { run(); });
}

OfficeHost::~OfficeHost()
{
    shutDown();
}

WordApplication *OfficeHost::createApplication()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    {
        std::unique_lock lock(s.mutex);
        s.changed.wait(lock, [&] { return s.stopping || !s.busy; });
        if (s.stopping)
            throw EngineError(QStringLiteral("LibreOffice has already been shut down"));
        ++s.sessions; // no background work starts from here on
        office = s.office;
    }
    try {
        // A hung office is stopped by the watchdog of this check.
        if (!office || !office->answers())
            office = officeForSession();
        const OfficeProcess *used = office.get();
        return new LibreOfficeApplication(office, m_clipboard, m_renderer,
                                          [state = m_state, used] { state->sessionEnded(used); });
    } catch (...) {
        std::lock_guard lock(s.mutex);
        --s.sessions;
        s.changed.notify_all();
        throw;
    }
}

// Has the worker start an office for a session and waits for it.
std::shared_ptr<OfficeProcess> OfficeHost::officeForSession()
{
    State &s = *m_state;
    std::unique_lock lock(s.mutex);
    const quint64 ticket = ++s.startsWanted;
    s.changed.notify_all();
    s.changed.wait(lock, [&] { return s.stopping || s.startsDone >= ticket; });
    if (s.startsDone < ticket)
        throw EngineError(QStringLiteral("LibreOffice has already been shut down"));
    if (!s.office)
        std::rethrow_exception(s.startError);
    return s.office;
}

void OfficeHost::warmUp(const QByteArray &templateBytes)
{
    State &s = *m_state;
    std::lock_guard lock(s.mutex);
    if (s.stopping)
        return;
    s.templateBytes = templateBytes;
    s.warmUpWanted = true;
    s.changed.notify_all();
}

bool OfficeHost::waitUntilIdle(int milliseconds)
{
    State &s = *m_state;
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [&] { return s.stopping || s.sessions > 0 || (!s.busy && !s.warmUpWanted); });
}

int OfficeHost::officeProcessId()
{
    State &s = *m_state;
    std::lock_guard lock(s.mutex);
    return s.office && !s.office->hasFailed() ? int(s.office->pid()) : 0;
}

void OfficeHost::shutDown()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    {
        std::lock_guard lock(s.mutex);
        if (s.stopped)
            return;
        s.stopping = true;
        office = s.office;
        s.changed.notify_all();
    }
    // Work under way on the office fails at once instead of finishing.
    if (office)
        office->kill();
    if (m_worker.joinable())
        m_worker.join();
    std::vector<std::shared_ptr<OfficeProcess>> ending;
    {
        std::lock_guard lock(s.mutex);
        s.stopped = true;
        ending = std::move(s.discarded);
        s.discarded.clear();
        for (auto *left : {&s.office, &s.spare}) {
            if (*left)
                ending.push_back(std::move(*left));
            left->reset();
        }
    }
    for (const auto &left : ending)
        left->discard();
}

void OfficeHost::stopWorkUnderWay()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    {
        std::lock_guard lock(s.mutex);
        if (s.stopping || s.sessions == 0)
            return; // nothing under way: the warm office stays
        office = s.office;
    }
    if (office)
        office->kill();
}

std::shared_ptr<OfficeProcess> OfficeHost::startOffice()
{
    try {
        const OfficeSettings settings = OfficeSettings::fromEnvironment();
        const QString profile = OfficeProfile::prepared(settings);
        std::shared_ptr<OfficeProcess> office = OfficeProcess::start(settings, profile,
                                                                     OfficeProcess::ProfileUse::Copy);
        // An office that cannot make the picture is refused before any click.
        LibreOfficeDocument::requireFilters(*office);
        return office;
    } catch (const EngineError &) {
        throw;
    } catch (const css::uno::Exception &e) {
        throw EngineError(QStringLiteral("LibreOffice could not be started: %1").arg(UnoBridge::describe(e)));
    } catch (const std::bad_alloc &) {
        throw EngineError(QStringLiteral("LibreOffice could not be started: out of memory"));
    } catch (const std::exception &e) {
        throw EngineError(QStringLiteral("LibreOffice could not be started: %1").arg(QString::fromLocal8Bit(e.what())));
    }
}

void OfficeHost::run()
{
    State &s = *m_state;
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (!s.discarded.empty()) {
            const auto ending = std::move(s.discarded);
            s.discarded.clear();
            lock.unlock();
            for (const auto &office : ending)
                office->discard();
            lock.lock();
            continue;
        }
        if (s.stopping)
            return;

        if (s.startsDone < s.startsWanted) {
            const quint64 target = s.startsWanted;
            std::shared_ptr<OfficeProcess> fresh = std::move(s.spare);
            s.spare.reset();
            std::exception_ptr error;
            if (!fresh) {
                lock.unlock();
                try {
                    fresh = startOffice();
                } catch (...) {
                    error = std::current_exception();
                }
                lock.lock();
            }
            s.install(std::move(fresh), false);
            s.startError = error;
            s.startsDone = target;
            s.changed.notify_all();
            continue;
        }

        if (s.sessions == 0) {
            const bool died = s.office && s.officeServed && s.office->hasFailed();
            if (s.warmUpWanted || died) {
                s.warmUpWanted = false;
                s.busy = true;
                lock.unlock();
                prepare();
                lock.lock();
                s.busy = false;
                s.changed.notify_all();
                continue;
            }
            if (s.spare) {
                s.install(std::move(s.spare), true);
                s.spare.reset();
                continue;
            }
            const auto idleFor = std::chrono::steady_clock::now() - s.lastSessionEnd;
            if (s.memoryCheckDue && idleFor >= kRecycleWhenIdleFor) {
                s.memoryCheckDue = false;
                lock.unlock();
                recycle();
                lock.lock();
                continue;
            }
        }
        s.changed.wait_for(lock, kHealthCheckInterval);
    }
}

// Makes sure a live office runs, and warms it once the template is known.
void OfficeHost::prepare()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    bool warmed = false;
    QByteArray templateBytes;
    {
        std::lock_guard lock(s.mutex);
        office = s.office;
        warmed = s.officeWarm;
        templateBytes = s.templateBytes;
    }
    if (!office || office->hasFailed()) {
        std::shared_ptr<OfficeProcess> fresh;
        try {
            fresh = startOffice();
        } catch (const EngineError &) {
            // The next session tries again and reports what goes wrong.
        }
        std::lock_guard lock(s.mutex);
        s.install(fresh, false);
        office = std::move(fresh);
        warmed = false;
    }
    if (!office || warmed || templateBytes.isEmpty())
        return;
    const bool done = warm(office, templateBytes);
    std::lock_guard lock(s.mutex);
    if (office == s.office)
        s.officeWarm = done;
}

// An office past its memory limit gets a warmed successor; the worker swaps
// them once no session is open.
void OfficeHost::recycle()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    QByteArray templateBytes;
    {
        std::lock_guard lock(s.mutex);
        office = s.office;
        templateBytes = s.templateBytes;
    }
    if (!office || office->hasFailed() || office->residentBytes() <= office->settings().memoryLimit)
        return;
    std::shared_ptr<OfficeProcess> fresh;
    try {
        fresh = startOffice();
    } catch (const EngineError &) {
        return; // the grown office goes on serving
    }
    if (!templateBytes.isEmpty())
        warm(fresh, templateBytes);
    std::lock_guard lock(s.mutex);
    if (s.stopping || s.office != office)
        s.discarded.push_back(std::move(fresh));
    else
        s.spare = std::move(fresh);
}

// One generation and one export in miniature, on private copies inside the
// office's own folder: the office loads every filter the click needs and the
// renderer its fonts. Neither the clipboard nor the temporary folder is touched.
bool OfficeHost::warm(const std::shared_ptr<OfficeProcess> &office, const QByteArray &templateBytes)
{
    const QString dot = office->scratchFolder() + QStringLiteral("/warm-up.dot");
    const QString doc = office->scratchFolder() + QStringLiteral("/warm-up.doc");
    bool done = false;
    {
        QFile file(dot);
        if (!file.open(QIODevice::WriteOnly) || file.write(templateBytes) != templateBytes.size())
            return false;
    }
    try {
        LibreOfficeApplication session(office, nullptr, m_renderer);
        WordDocument *filled = session.open(dot, true);
        WordFind *find = session.selectionFind();
        find->setText(QStringLiteral("Sender"));
        find->setReplacementText(QStringLiteral("Sender"));
        find->execute(kWdReplaceAll);
        filled->saveAs(doc);
        session.setDisplayAlerts(false);
        filled->close();
        static_cast<LibreOfficeDocument *>(session.open(doc, std::nullopt))->pagePicture();
        session.closeActiveDocument(kWdDoNotSaveChanges);
        session.quit();
        done = true;
    } catch (const EngineError &) {
    }
    QFile::remove(dot);
    QFile::remove(doc);
    return done;
}
