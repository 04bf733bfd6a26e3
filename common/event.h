// Auto-reset event: one Set releases one wait (or the next one, if nobody
// waits yet), after which the event is clear again. Used for cancelling a
// worker from the window thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class AutoResetEvent {
public:
    // Signals the event; it stays signalled until one wait consumes it.
    void Set()
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            bSignalled = true;
        }
        cvSignal.notify_one();
    }

    // Waits up to uMilliseconds; true (and the event cleared) when it was
    // signalled. A time-out of 0 only looks.
    bool Wait(unsigned uMilliseconds)
    {
        std::unique_lock<std::mutex> lock(mMutex);
        if (!cvSignal.wait_for(lock, std::chrono::milliseconds(uMilliseconds), [this] { return bSignalled; }))
            return false;
        bSignalled = false;
        return true;
    }

    bool TryWait() { return Wait(0); }

    // Clears a pending signal without waiting.
    void Reset()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        bSignalled = false;
    }

private:
    std::mutex mMutex;
    std::condition_variable cvSignal;
    bool bSignalled = false;
};

// Milliseconds of a monotonic clock, for deadlines measured like a tick counter.
inline unsigned long long TickCountMs()
{
    return static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count());
}
