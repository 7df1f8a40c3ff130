#include "preview/PaintingCache.h"

#include <QPainter>

#include <algorithm>
#include <atomic>
#include <future>
#include <utility>

// One painting: queued, started (by the worker or by a step that could not
// wait for the worker to reach it) or dropped before it was started. Whoever
// starts it fulfils its promise, so no painting is made twice.
struct PaintingCache::Job
{
    enum State { Queued, Started, Dropped };

    Request request;
    std::atomic<int> state{Queued};
    std::promise<QImage> promise;
    std::shared_future<QImage> result = promise.get_future().share();

    bool start()
    {
        int queued = Queued;
        return state.compare_exchange_strong(queued, Started);
    }
    void make()
    {
        try {
            promise.set_value(Scale(request));
        } catch (...) {
            promise.set_exception(std::current_exception()); // out of memory: the step reports it
        }
    }
    bool matches(const Request &other) const
    {
        return request.picture.cacheKey() == other.picture.cacheKey() && request.source == other.source
            && request.target == other.target && request.devicePixelRatio == other.devicePixelRatio;
    }
};

QImage PaintingCache::Scale(const Request &request)
{
    // The top-left part of the picture is read in place rather than copied
    // first: on a 2x screen the picture is 11 MB.
    const QImage &picture = request.picture;
    const bool whole = request.source == picture.size();
    QImage region = picture;
    if (!whole) {
        region = QImage(picture.constBits(), request.source.width(), request.source.height(), picture.bytesPerLine(),
                        picture.format());
        region.setColorTable(picture.colorTable());
    }
    QImage scaled = region.scaled(request.target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!whole && scaled.constBits() == region.constBits())
        scaled = scaled.copy(); // unscaled, it would still point into the picture

    QImage painting;
    if (scaled.hasAlphaChannel()) {
        painting = QImage(request.target, QImage::Format_RGB32);
        painting.fill(Qt::white); // transparent parts show the canvas's white
        QPainter painter(&painting);
        painter.drawImage(0, 0, scaled);
    } else {
        painting = scaled.convertToFormat(QImage::Format_RGB32); // no copy when it is one already
    }
    // Set here, not by the caller: setting it on a shared image would copy it.
    painting.setDevicePixelRatio(request.devicePixelRatio);
    return painting;
}

PaintingCache::PaintingCache()
{
    // One worker: the paintings are made one after the other, leaving the
    // other cores to the window.
    m_worker.setMaxThreadCount(1);
    // Two frames: the step's repaint has reached the screen by then, and a
    // user's next click is still further away.
    m_soon.setSingleShot(true);
    m_soon.setInterval(40);
    m_soon.callOnTimeout([this] { startMissing(); });
}

PaintingCache::~PaintingCache()
{
    clear();
    m_worker.waitForDone();
}

std::shared_ptr<PaintingCache::Job> PaintingCache::find(const Request &request) const
{
    for (const auto &job : m_jobs)
        if (job->matches(request))
            return job;
    return nullptr;
}

void PaintingCache::forget(const std::shared_ptr<Job> &job)
{
    int queued = Job::Queued;
    job->state.compare_exchange_strong(queued, Job::Dropped); // a queued job is not made any more
    m_jobs.removeOne(job);
}

QImage PaintingCache::take(const Request &request)
{
    auto job = find(request);
    if (!job) {
        job = std::make_shared<Job>();
        job->request = request;
        m_jobs.append(job);
    }
    // Made or being made: waiting is the shorter way. Still queued behind
    // another painting: made here at once.
    if (job->start()) {
        ++m_scaledOnTheSpot;
        job->make();
    }
    return job->result.get();
}

void PaintingCache::prepare(const QList<Request> &requests)
{
    // Forgotten at once, so that no more than these are ever held, however
    // fast the clicks come.
    const auto jobs = m_jobs;
    for (const auto &job : jobs)
        if (std::none_of(requests.begin(), requests.end(), [&job](const Request &r) { return job->matches(r); }))
            forget(job);
    m_soonRequests = requests;
    m_soon.start();
}

void PaintingCache::startMissing()
{
    for (const Request &request : std::exchange(m_soonRequests, {})) {
        if (request.picture.isNull() || request.source.isEmpty() || request.target.isEmpty() || find(request))
            continue;
        auto job = std::make_shared<Job>();
        job->request = request;
        m_jobs.append(job);
        m_worker.start([job] {
            if (job->start())
                job->make();
        });
    }
}

void PaintingCache::clear()
{
    m_soon.stop();
    m_soonRequests.clear();
    const auto jobs = m_jobs;
    for (const auto &job : jobs)
        forget(job);
}
