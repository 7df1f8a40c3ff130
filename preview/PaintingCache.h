#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QThreadPool>
#include <QTimer>

#include <memory>

// The viewport's zoomed paintings, made ahead on a worker thread: smoothly
// scaling a page picture takes longer than a frame on a 2x screen, so the
// paintings of the zoom steps next to the one shown are scaled while the
// user looks, and a step finds its painting ready. A step whose painting is
// still being made waits for it; one nobody started is scaled on the spot.
// Either way the pixels are the same.
class PaintingCache
{
public:
    // The top-left `source` pixels of `picture` scaled to `target` pixels.
    struct Request
    {
        QImage picture;
        QSize source;
        QSize target;
        qreal devicePixelRatio = 1.0;
    };
    static QImage Scale(const Request &request);

    PaintingCache();
    ~PaintingCache();
    PaintingCache(const PaintingCache &) = delete;
    PaintingCache &operator=(const PaintingCache &) = delete;

    // The painting for the request: made ahead, awaited, or scaled now.
    QImage take(const Request &request);
    // Forgets every painting but these at once, and starts making those not
    // yet at hand on the worker a moment later, once the step that asks has
    // been painted: made alongside that repaint, they would take a core from it.
    void prepare(const QList<Request> &requests);
    // Forgets every painting (a new picture).
    void clear();

    // How many paintings were scaled on the spot rather than ahead.
    int scaledOnTheSpot() const { return m_scaledOnTheSpot; }
    // Waits until the worker has nothing left to do.
    void waitForWorker() { m_worker.waitForDone(); }

private:
    struct Job;
    std::shared_ptr<Job> find(const Request &request) const;
    void forget(const std::shared_ptr<Job> &job);
    void startMissing();

    QThreadPool m_worker;
    QTimer m_soon;
    QList<Request> m_soonRequests;
    QList<std::shared_ptr<Job>> m_jobs;
    int m_scaledOnTheSpot = 0;
};
