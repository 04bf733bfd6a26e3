// One worker thread of a program, and the rule for workers at exit.
//
// Each program has its window thread and at most one worker at a time (a
// flash or logger run, a configuration load or send, a receive thread). A
// Worker owns that thread, its running flag, its stop flag and its cancel
// event, and is the only place that starts, stops and joins it: nothing is
// detached.
//
// Stopping is bounded: Stop sets the stop flag and the cancel event, then
// waits at most the given time. The wait keeps the calling thread's events
// running through the wait pump (the desktop layer installs one that runs
// the window's events), because the worker may itself be waiting for the
// window thread in a synchronous call.
//
// Exit rule, one for the whole process: when the program's window has gone
// and a worker has still not ended after WORKER_STOP_WAIT_MS, the program
// ends at once with WorkerExitRule (logged), instead of running its teardown
// under a thread that still uses it. The desktop entry applies it; no
// program's main does.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "event.h"

// Longest wait for a worker to end when it was asked to stop, ms.
constexpr unsigned WORKER_STOP_WAIT_MS = 1000;
// How long Start waits for a previous run that is still returning, ms.
constexpr unsigned WORKER_RESTART_WAIT_MS = 200;

class Worker {
public:
    // szWord names the thread in "Could not create %s thread !" ("process",
    // "load", "receive", ...).
    explicit Worker(const char* szWord);
    // Stops the thread (bounded) and joins it. A thread that has still not
    // ended is waited for with a log line: in a program the exit rule has
    // ended the process before any window, and so any worker, is destroyed.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs fnBody on a new thread. Refused (0, not reported) while the
    // previous run is still running after WORKER_RESTART_WAIT_MS (events
    // running); the ended previous thread is joined.
    // The stop flag and the cancel event are cleared first, so only a stop
    // or cancel given during this run reaches it. Reports "Could not create
    // %s thread !" and returns 0 when the thread cannot be made; szRunWord,
    // when given, names this run there instead of the worker's word (one
    // worker that runs several kinds of operation).
    int Start(std::function<void()> fnBody, const char* szRunWord = nullptr);

    // True from Start until the body has returned.
    bool Running() const { return bRunning.load(std::memory_order_acquire); }

    // Asks the body to stop: sets the stop flag (looked at between reads by
    // loops) and the cancel event (waited on by the flash start loop, looked
    // at by the logger download). Does not wait.
    void RequestStop();
    bool StopRequested() const { return bStop.load(std::memory_order_acquire); }
    AutoResetEvent& CancelEvent() { return hCancel; }

    // Waits up to uTimeoutMs for the body to return, running the wait pump;
    // true (and the thread joined) when it has.
    bool Wait(unsigned uTimeoutMs);

    // RequestStop, then Wait.
    bool Stop(unsigned uTimeoutMs = WORKER_STOP_WAIT_MS);

    // Waits without a bound and without running the wait pump until the
    // body has returned, then joins. Only for a caller that knows the body
    // no longer needs it (the window-thread gate is shut).
    void Join();

    // Workers of the process whose body is running now.
    static int RunningCount();

private:
    const char* szWord;
    std::thread hThread;
    std::atomic<bool> bRunning{false};
    std::atomic<bool> bStop{false};
    AutoResetEvent hCancel;
};

// How a bounded wait keeps the waiting thread's own work going: called
// repeatedly while a Worker waits (and by other bounded waits of the
// desktop layer). The default sleeps one millisecond.
using WaitPumpFn = void (*)();
void SetWaitPump(WaitPumpFn pfn);
void RunWaitPump();

// Waits until pred() is true or uTimeoutMs have passed, running the wait
// pump (or pfnPump when given); true when pred() became true.
bool WaitWithPump(const std::function<bool()>& pred, unsigned uTimeoutMs, WaitPumpFn pfnPump = nullptr);

// The exit rule: when workers are still running, logs how many and ends the
// process at once with nCode (streams flushed, the open port's exclusive
// flag cleared, no teardown). Returns when none runs.
void WorkerExitRule(int nCode);
