#include "labels/libreoffice/PaintingWait.h"

#include <QGuiApplication>
#include <QThread>

#include <chrono>
#include <deque>
#include <thread>

using namespace std::chrono_literals;

namespace {

// How long a wait runs before the first events are delivered, and how
// often they are delivered after that (well within a frame).
constexpr auto kQuietWait = 5ms;
constexpr auto kDeliveryInterval = 10ms;

void deliverEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// One helper thread for the program's life: a few hundred calls per click
// would pay a thread start each otherwise. Tasks queue: a call made from an
// event delivered during another call runs after it.
class Helper
{
public:
    Helper()
        : m_thread([this] { loop(); })
    {
        m_thread.detach(); // lives as long as the process; never joined at exit
    }

    void run(const std::function<void()> &task)
    {
        struct Item
        {
            const std::function<void()> *task;
            bool done = false;
        } item{&task};
        std::unique_lock lock(m_mutex);
        m_queue.push_back([&item, this] {
            (*item.task)();
            std::lock_guard done(m_mutex);
            item.done = true;
            m_changed.notify_all();
        });
        m_changed.notify_all();
        PaintingWait::wait(lock, m_changed, [&] { return item.done; });
    }

private:
    void loop()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_queue.empty(); });
            std::function<void()> next = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            next();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_queue;
    std::thread m_thread;
};

} // namespace

namespace PaintingWait {

bool onMainThread()
{
    // A program without windows (the command line) has nothing to paint:
    // its calls run where they are, without the hand-over.
    const QCoreApplication *program = QCoreApplication::instance();
    return qobject_cast<const QGuiApplication *>(program) && QThread::currentThread() == program->thread();
}

void runOffMainThread(const std::function<void()> &task)
{
    static Helper *helper = new Helper; // deliberately never destroyed: see Helper
    helper->run(task);
}

void wait(std::unique_lock<std::mutex> &lock, std::condition_variable &changed, const std::function<bool()> &done)
{
    if (!onMainThread()) {
        changed.wait(lock, done);
        return;
    }
    if (changed.wait_for(lock, kQuietWait, done))
        return;
    while (!done()) {
        lock.unlock();
        deliverEvents();
        lock.lock();
        changed.wait_for(lock, kDeliveryInterval, done);
    }
}

} // namespace PaintingWait
