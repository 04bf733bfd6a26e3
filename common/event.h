// Auto-reset event: one Set releases one wait (or the next one, if nobody
// waits yet), after which the event is clear again. Used for cancelling a
// worker from the window thread.
//
// The signal is an atomic flag, so TryWait (a look without waiting, made
// once per record by the logger download) costs no system call; Set and a
// Wait that has to sleep go through the mutex and condition variable.
// Exactly one of several consumers racing for one signal gets it.
#pragma once

#include <atomic>
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
            bSignalled.store(true, std::memory_order_release);
        }
        cvSignal.notify_one();
    }

    // Waits up to uMilliseconds; true (and the event cleared) when it was
    // signalled. A time-out of 0 only looks.
    bool Wait(unsigned uMilliseconds)
    {
        if (TryWait())
            return true;
        if (uMilliseconds == 0)
            return false;
        std::unique_lock<std::mutex> lock(mMutex);
        return cvSignal.wait_for(lock, std::chrono::milliseconds(uMilliseconds), [this] { return Consume(); });
    }

    // Looks without waiting; true (and the event cleared) when it was
    // signalled.
    bool TryWait() { return bSignalled.load(std::memory_order_acquire) && Consume(); }

    // Clears a pending signal without waiting.
    void Reset() { bSignalled.store(false, std::memory_order_release); }

private:
    bool Consume() { return bSignalled.exchange(false, std::memory_order_acq_rel); }

    std::mutex mMutex;
    std::condition_variable cvSignal;
    std::atomic<bool> bSignalled{false};
};

// Milliseconds of a monotonic clock, for deadlines measured like a tick counter.
inline unsigned long long TickCountMs()
{
    return static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count());
}
