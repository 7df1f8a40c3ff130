#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Guards calls into the office: when an armed call outlives its limit, the
// expiry action (killing the office) runs on the watchdog's own thread, which
// makes the blocked call return with an error instead of hanging for ever.
//
// The limit is counted in time our own process ran: the watchdog wakes in
// short ticks and counts each at most a little longer than a tick, so a
// stretch in which the program was stopped (SIGSTOP, a suspended terminal
// job) does not count against an office that was answering all along.
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

    // How long the watchdog sleeps between counts while armed, and the most
    // one count may add (a longer gap means the process was not running).
    static constexpr std::chrono::milliseconds kTick{100};
    static constexpr std::chrono::milliseconds kLongestCount{250};

private:
    void run();

    std::function<void()> m_onExpiry;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::duration m_left{};         // of the armed limit
    std::chrono::steady_clock::time_point m_countedUntil; // when m_left was last brought up to date
    bool m_armed = false;
    bool m_sleeping = false; // disarmed and waiting to be woken
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
