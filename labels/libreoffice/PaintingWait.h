#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

// Waiting for the office without freezing the windows. On the program's main
// thread an office call runs on a helper thread while the main thread goes on
// delivering everything but user input (paint, expose, timers, the signal
// notifier, a close request), the way it waits during a warm-up. Calls that
// answer within a few milliseconds, nearly all of them, never reach the event
// loop. Elsewhere (other threads, the command line) the call runs where it is.
namespace PaintingWait {

// Whether the caller is the main thread of a running Qt program with windows.
bool onMainThread();

// Runs `task` on the helper thread and returns once it has finished,
// delivering events meanwhile. The task never throws (see run()).
void runOffMainThread(const std::function<void()> &task);

// Waits until `done()`, which is checked under `lock`; on the main thread
// events are delivered while it is false.
void wait(std::unique_lock<std::mutex> &lock, std::condition_variable &changed, const std::function<bool()> &done);

template <typename Action>
auto run(Action &&action) -> decltype(action())
{
    using Result = decltype(action());
    if (!onMainThread())
        return action();
    std::exception_ptr error;
    if constexpr (std::is_void_v<Result>) {
        runOffMainThread([&] {
            try {
                action();
            } catch (...) {
                error = std::current_exception();
            }
        });
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<Result> result;
        runOffMainThread([&] {
            try {
                result.emplace(action());
            } catch (...) {
                error = std::current_exception();
            }
        });
        if (error)
            std::rethrow_exception(error);
        return std::move(*result);
    }
}

} // namespace PaintingWait
