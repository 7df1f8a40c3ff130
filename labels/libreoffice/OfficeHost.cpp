#include "labels/libreoffice/OfficeHost.h"

#include "labels/libreoffice/LibreOfficeApplication.h"
#include "labels/libreoffice/LibreOfficeDocument.h"
#include "labels/libreoffice/OfficeProcess.h"
#include "labels/libreoffice/OfficeProfile.h"
#include "labels/libreoffice/OfficeSettings.h"
#include "labels/libreoffice/PaintingWait.h"
#include "labels/libreoffice/ReadyDocuments.h"

#include <QFile>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <vector>

using namespace std::chrono_literals;

namespace {

// How often the idle host looks whether its office is still alive.
constexpr auto kHealthCheckInterval = 1s;
// How long a filled document is kept open for the preview's export, which
// comes for it within milliseconds when it comes at all.
constexpr auto kFilledKeptFor = 1000ms;
// How long an office may sit unused before it is asked whether it still
// answers: a hung one is replaced before the next click has to find out.
constexpr auto kPingWhenIdleFor = 5s;

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
    // When the office last did something for us (a session, a ping).
    std::chrono::steady_clock::time_point lastUse = std::chrono::steady_clock::now();
    bool memoryCheckDue = false;

    QByteArray templateBytes;
    bool warmUpWanted = false;
    bool busy = false; // background work holds the office; sessions wait

    quint64 startsWanted = 0;
    quint64 startsDone = 0;
    std::exception_ptr startError;

    // Offices started for one session each, to share a large job: started
    // by the worker in turn (tickets), handed over, ended with their session.
    std::vector<std::shared_ptr<OfficeProcess>> helpers;
    quint64 helpersWanted = 0;
    quint64 helpersDone = 0;
    std::map<quint64, std::pair<std::shared_ptr<OfficeProcess>, std::exception_ptr>> helpersStarted;
    // Counts stopWorkUnderWay(): a helper asked for before a stop is not handed out after it.
    quint64 stops = 0;

    bool stopping = false;
    bool stopped = false;
    bool noLaterWork = false; // see expectNoLaterWork()
    // Set by abandon(): offices still starting give up (see OfficeSettings).
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);

    // The template kept loaded for the next click, and the sheet a click
    // has just saved, kept for its preview.
    std::shared_ptr<ReadyDocuments> ready = std::make_shared<ReadyDocuments>();

    // Past five eighths of the limit (160 of 256 MB) an office that has
    // served is replaced: a list of 1,000 sheets (the first office's part of
    // it) grows an office by about 95 MB, which then still ends under the limit.
    bool grown() const
    {
        return office && officeServed && !office->hasFailed()
            && office->residentBytes() > office->settings().memoryLimit / 8 * 5;
    }

    // Makes `fresh` (which may be null) the office; the old one is ended in the background.
    void install(std::shared_ptr<OfficeProcess> fresh, bool warm)
    {
        if (office) {
            ready->forget();
            discarded.push_back(office);
        }
        office = std::move(fresh);
        officeWarm = office && warm;
        officeServed = false;
    }

    void helperEnded(const std::shared_ptr<OfficeProcess> &helper)
    {
        std::lock_guard lock(mutex);
        std::erase(helpers, helper);
        if (!stopped)
            discarded.push_back(helper);
        changed.notify_all();
    }

    void sessionEnded(const OfficeProcess *used)
    {
        std::lock_guard lock(mutex);
        --sessions;
        lastUse = std::chrono::steady_clock::now();
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
    return openSession(false);
}

WordApplication *OfficeHost::createApplicationForLongWork()
{
    return openSession(true);
}

WordApplication *OfficeHost::openSession(bool longWork)
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    {
        std::unique_lock lock(s.mutex);
        PaintingWait::wait(lock, s.changed, [&] { return s.stopping || !s.busy; });
        if (s.stopping)
            throw EngineError(QStringLiteral("LibreOffice has already been shut down"));
        ++s.sessions; // no background work starts from here on
        office = s.office;
        // A grown office is replaced before the work, not after it: work
        // that follows another at once (a list's PDF after its Word file)
        // would otherwise run on it, past the limit. Long work takes an
        // office that has served nobody yet. The successor being warmed, if
        // any, takes over.
        if (s.grown() || (longWork && s.officeServed))
            office.reset();
    }
    try {
        // A hung office is stopped by the watchdog of this check.
        if (!office || !office->answers(office->settings().pingLimit))
            office = officeForSession();
        const OfficeProcess *used = office.get();
        auto *application = new LibreOfficeApplication(office, m_clipboard, m_renderer,
                                                       [state = m_state, used] { state->sessionEnded(used); });
        application->setReadyDocuments(s.ready);
        return application;
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
    PaintingWait::wait(lock, s.changed, [&] { return s.stopping || s.startsDone >= ticket; });
    if (s.startsDone < ticket)
        throw EngineError(QStringLiteral("LibreOffice has already been shut down"));
    if (!s.office)
        std::rethrow_exception(s.startError);
    return s.office;
}

WordApplication *OfficeHost::createHelperApplication()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    {
        std::unique_lock lock(s.mutex);
        if (s.stopping)
            throw EngineError(QStringLiteral("LibreOffice has already been shut down"));
        const quint64 ticket = ++s.helpersWanted;
        const quint64 stops = s.stops;
        s.changed.notify_all();
        PaintingWait::wait(lock, s.changed, [&] { return s.stopping || s.helpersStarted.count(ticket); });
        const auto started = s.helpersStarted.find(ticket);
        if (started == s.helpersStarted.end())
            throw EngineError(QStringLiteral("LibreOffice has already been shut down"));
        auto [fresh, error] = std::move(started->second);
        s.helpersStarted.erase(started);
        if (!fresh)
            std::rethrow_exception(error);
        if (s.stops != stops) {
            // The work it was wanted for has been stopped meanwhile.
            std::erase(s.helpers, fresh);
            s.discarded.push_back(std::move(fresh));
            s.changed.notify_all();
            throw EngineError(QStringLiteral("The work was stopped"));
        }
        office = std::move(fresh);
    }
    return new LibreOfficeApplication(office, m_clipboard, m_renderer,
                                      [state = m_state, office] { state->helperEnded(office); });
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

void OfficeHost::expectNoLaterWork()
{
    State &s = *m_state;
    std::lock_guard lock(s.mutex);
    s.noLaterWork = true;
}

int OfficeHost::officeProcessId()
{
    State &s = *m_state;
    std::lock_guard lock(s.mutex);
    return s.office && !s.office->hasFailed() ? int(s.office->pid()) : 0;
}

void OfficeHost::abandon()
{
    State &s = *m_state;
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
        s.cancelled->store(true);
        s.changed.notify_all();
    }
    // Calls under way fail within a moment; starts under way give up.
    OfficeProcess::killAll(s.cancelled.get());
}

void OfficeHost::shutDown()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    std::vector<std::shared_ptr<OfficeProcess>> helpers;
    {
        std::lock_guard lock(s.mutex);
        if (s.stopped)
            return;
        s.stopping = true;
        office = s.office;
        helpers = s.helpers;
        s.changed.notify_all();
    }
    s.ready->forget();
    // Work under way on the offices fails at once instead of finishing.
    if (office)
        office->kill();
    for (const auto &helper : helpers)
        helper->kill();
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
        // Helpers, those started for nobody left to claim them included.
        ending.insert(ending.end(), s.helpers.begin(), s.helpers.end());
        s.helpers.clear();
        s.helpersStarted.clear();
    }
    for (const auto &left : ending)
        left->discard();
}

void OfficeHost::stopWorkUnderWay()
{
    State &s = *m_state;
    std::vector<std::shared_ptr<OfficeProcess>> working;
    {
        std::lock_guard lock(s.mutex);
        if (s.stopping)
            return;
        ++s.stops;
        working = s.helpers;
        // With no session open nothing is under way: the warm office stays.
        if (s.sessions > 0 && s.office)
            working.push_back(s.office);
    }
    for (const auto &office : working)
        office->kill();
}

std::shared_ptr<OfficeProcess> OfficeHost::startOffice()
{
    try {
        OfficeSettings settings = OfficeSettings::fromEnvironment();
        settings.cancelled = m_state->cancelled;
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

        if (s.helpersDone < s.helpersWanted) {
            const quint64 ticket = ++s.helpersDone;
            lock.unlock();
            std::shared_ptr<OfficeProcess> fresh;
            std::exception_ptr error;
            try {
                fresh = startOffice();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (fresh)
                s.helpers.push_back(fresh);
            s.helpersStarted[ticket] = {std::move(fresh), error};
            s.changed.notify_all();
            continue;
        }

        if (s.startsDone < s.startsWanted) {
            const quint64 target = s.startsWanted;
            std::shared_ptr<OfficeProcess> fresh = std::move(s.spare);
            s.spare.reset();
            if (fresh && fresh->hasFailed()) {
                s.discarded.push_back(std::move(fresh));
                fresh.reset();
            }
            const bool warmed = fresh != nullptr; // a successor, warmed before it was kept
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
            s.install(std::move(fresh), warmed);
            s.startError = error;
            s.startsDone = target;
            s.changed.notify_all();
            continue;
        }

        if (s.sessions == 0) {
            // One that served or warmed up was sound: it is replaced at once.
            const bool died = s.office && (s.officeServed || s.officeWarm) && s.office->hasFailed() && !s.noLaterWork;
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
                if (s.spare->hasFailed())
                    s.discarded.push_back(std::move(s.spare));
                else
                    s.install(std::move(s.spare), true);
                s.spare.reset();
                continue;
            }
            // Under constant use (clicks a second apart) the office is never
            // idle for long: it is checked the moment no session is open,
            // before a template is made ready in it.
            if (s.memoryCheckDue && !s.noLaterWork) {
                s.memoryCheckDue = false;
                lock.unlock();
                recycle();
                lock.lock();
                continue;
            }
            if (keepDocumentsReady(lock))
                continue;
            if (s.office && !s.office->hasFailed()
                && std::chrono::steady_clock::now() - s.lastUse >= kPingWhenIdleFor) {
                // Sessions wait for the ping (at most its limit); the ping's
                // watchdog stops a hung office, which is then replaced above.
                const std::shared_ptr<OfficeProcess> office = s.office;
                s.busy = true;
                lock.unlock();
                office->answers();
                lock.lock();
                s.busy = false;
                s.lastUse = std::chrono::steady_clock::now();
                s.changed.notify_all();
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

// An office near its memory limit gets a warmed successor; the worker swaps
// them once no session is open.
void OfficeHost::recycle()
{
    State &s = *m_state;
    std::shared_ptr<OfficeProcess> office;
    QByteArray templateBytes;
    {
        std::lock_guard lock(s.mutex);
        if (!s.grown())
            return;
        office = s.office;
        templateBytes = s.templateBytes;
    }
    std::shared_ptr<OfficeProcess> fresh;
    try {
        fresh = startOffice();
    } catch (const EngineError &) {
        return; // the grown office goes on serving
    }
    // Only a successor that warmed up takes over; otherwise the grown
    // office goes on serving and the next session's end tries again.
    const bool warmed = templateBytes.isEmpty() || warm(fresh, templateBytes);
    std::lock_guard lock(s.mutex);
    if (s.stopping || s.office != office || !warmed || fresh->hasFailed())
        s.discarded.push_back(std::move(fresh));
    else
        s.spare = std::move(fresh);
}

// With no session open: closes the documents sessions left for it and a
// kept sheet nobody came for, and loads a fresh template for the next click
// into the office (a new, replaced or recycled one too) once the last click
// is over. Sessions wait meanwhile, as for any background work. True when it
// did something.
bool OfficeHost::keepDocumentsReady(std::unique_lock<std::mutex> &lock)
{
    State &s = *m_state;
    const std::shared_ptr<OfficeProcess> office = s.office;
    const std::shared_ptr<ReadyDocuments> ready = s.ready;
    const bool closing = ready->holdsClosing();
    const bool filled = ready->holdsFilled();
    if (!closing) {
        // The click's export may still come for the kept sheet: no template load before that.
        if (filled && !ready->filledOlderThan(kFilledKeptFor))
            return false;
        // An office warmed up, or one that has served a session: never one that
        // only just started and failed, so a broken installation loads nothing.
        if (!filled && (!office || !(s.officeWarm || s.officeServed) || !ready->needsTemplate(office, s.templateBytes)))
            return false;
    }
    const QByteArray templateBytes = s.templateBytes;
    s.busy = true;
    lock.unlock();
    if (closing)
        ready->closeLeftOver();
    else if (filled)
        ready->closeFilled();
    else
        ready->loadTemplate(office, templateBytes);
    lock.lock();
    s.busy = false;
    s.changed.notify_all();
    return true;
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
        // A click renders the sheet it has just filled, still open.
        static_cast<LibreOfficeDocument *>(filled)->pagePicture();
        session.setDisplayAlerts(false);
        filled->close();
        session.quit();
        done = true;
    } catch (const EngineError &) {
    }
    QFile::remove(dot);
    QFile::remove(doc);
    return done;
}
