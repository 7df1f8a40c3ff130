#include "labels/libreoffice/Watchdog.h"

Watchdog::Watchdog(std::function<void()> onExpiry)
    : m_onExpiry(std::move(onExpiry))
    , m_thread([this] { run(); })
{
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void Watchdog::arm(std::chrono::milliseconds limit)
{
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        // A click makes a few hundred calls. The thread is woken only when it
        // sleeps without a deadline or with a later one; otherwise it wakes at
        // its deadline, finds the new one and sleeps on.
        wake = m_sleepingUntil > deadline;
        m_deadline = deadline;
        m_armed = true;
    }
    if (wake)
        m_wake.notify_all();
}

void Watchdog::disarm()
{
    std::lock_guard lock(m_mutex);
    m_armed = false;
}

bool Watchdog::fired() const
{
    std::lock_guard lock(m_mutex);
    return m_fired;
}

void Watchdog::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (!m_armed) {
            m_sleepingUntil = std::chrono::steady_clock::time_point::max();
            m_wake.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < m_deadline) {
            m_sleepingUntil = m_deadline;
            m_wake.wait_until(lock, m_deadline);
            continue;
        }
        m_armed = false;
        m_fired = true;
        lock.unlock();
        m_onExpiry();
        lock.lock();
    }
}
