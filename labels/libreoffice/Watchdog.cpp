#include "Watchdog.h"

Watchdog::Watchdog(std::function<void()> onExpiry)
    : m_onExpiry(std::move(onExpiry)), m_thread([this] { run(); })
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
    {
        std::lock_guard lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + limit;
        m_armed = true;
    }
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
            m_wake.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < m_deadline) {
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
