#include "labels/libreoffice/Watchdog.h"

#include <algorithm>

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
        m_left = limit;
        m_countedUntil = std::chrono::steady_clock::now();
        m_armed = true;
        // A click makes a few hundred calls: the thread is woken only when it
        // sleeps disarmed; a ticking one finds the new limit at its next tick.
        wake = m_sleeping;
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
            m_sleeping = true;
            m_wake.wait(lock);
            m_sleeping = false;
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        m_left -= std::min<std::chrono::steady_clock::duration>(now - m_countedUntil, kLongestCount);
        m_countedUntil = now;
        if (m_left > std::chrono::steady_clock::duration::zero()) {
            m_wake.wait_until(lock, now + std::min<std::chrono::steady_clock::duration>(m_left, kTick));
            continue;
        }
        m_armed = false;
        m_fired = true;
        lock.unlock();
        m_onExpiry();
        lock.lock();
    }
}
