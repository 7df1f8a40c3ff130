#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Guards calls into the office: when an armed call outlives its limit, the
// expiry action (killing the office) runs on the watchdog's own thread, which
// makes the blocked call return with an error instead of hanging for ever.
class Watchdog
{
public:
    explicit Watchdog(std::function<void()> onExpiry);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    void arm(std::chrono::milliseconds limit);
    void disarm();
    // Whether the expiry action has run since the watchdog was created.
    bool fired() const;

private:
    void run();

    std::function<void()> m_onExpiry;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::time_point m_deadline;
    // When the thread wakes up next on its own (max: never).
    std::chrono::steady_clock::time_point m_sleepingUntil = std::chrono::steady_clock::time_point::max();
    bool m_armed = false;
    bool m_fired = false;
    bool m_stop = false;
    std::thread m_thread;
};

// Arms a watchdog for the lifetime of a scope.
class WatchdogScope
{
public:
    WatchdogScope(Watchdog &watchdog, std::chrono::milliseconds limit)
        : m_watchdog(watchdog)
    {
        m_watchdog.arm(limit);
    }
    ~WatchdogScope() { m_watchdog.disarm(); }
    WatchdogScope(const WatchdogScope &) = delete;
    WatchdogScope &operator=(const WatchdogScope &) = delete;

private:
    Watchdog &m_watchdog;
};
