// A reader thread on the open serial port, shared by the programs that read
// while connected (the terminal's receive thread, the scope's acquisition).
//
// The loop calls its read step over and over on its own Worker. Between two
// steps it looks at the stop flag, so Stop ends it within one read time-out
// of the port. A line that hung up (SerialIsHungUp) ends the loop after
// calling the lost handler once; an empty read that came back at once (a
// failing line that is not hung up) is followed by a short pause instead of
// being repeated at full speed.
//
// Hold keeps the loop between two reads, so that another thread has the
// port's input to itself for an exchange of its own (the terminal's wake-up
// before each command reads its own answer); Release lets it go on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "worker.h"

class ReceiveLoop {
public:
    // One read step, run on the loop's thread: the number of bytes it took,
    // 0 when nothing came within the time-out, a negative value to end the
    // loop (a step that reported a fault of its own).
    using ReadFn = std::function<int()>;
    // The line hung up; called once, on the loop's thread, before it ends.
    using LostFn = std::function<void()>;

    explicit ReceiveLoop(const char* szWord = "receive") : worker(szWord) {}

    // Starts the loop; 0 when it is already running or the thread could not
    // be made (reported "Could not create %s thread !").
    int Start(ReadFn fnRead, LostFn fnLost);

    // Asks the loop to end and waits (events running) at most uTimeoutMs;
    // true when it ended.
    bool Stop(unsigned uTimeoutMs = WORKER_STOP_WAIT_MS);

    bool Running() const { return worker.Running(); }

    // Holds the loop before its next read and returns once it is held (at
    // most one read time-out later; events keep running meanwhile), or at
    // once when the loop is not running. Calls nest: each Hold needs its
    // Release.
    void Hold();
    void Release();

    // Pause after an empty read that returned at once, ms.
    static constexpr unsigned FAILED_READ_PAUSE_MS = 50;
    // A held loop sleeps until Release or Stop wakes it; it looks again
    // after this long at the latest.
    static constexpr unsigned HOLD_CHECK_MS = 100;

private:
    void Run(const ReadFn& fnRead, const LostFn& fnLost);

    Worker worker;
    std::atomic<int> nHolds{0};
    std::atomic<bool> bHeld{false};
    std::atomic<bool> bStopping{false};   // Stop was asked: a held loop ends
    std::mutex mHold;                     // with cvHold: the held loop's sleep
    std::condition_variable cvHold;
};
