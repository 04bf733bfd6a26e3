// The line terminal's connection to the sensor console, without a window:
// open, a receive loop that hands every block to its owner, send with the
// terminal's wake-up, close. The loop waits for bytes (up to the port's
// time-out) rather than waking on short time-outs, and hands them on in
// blocks gathered while the line is busy (GATHER_MS).
//
// Threads: Open, Send and Close are called on one thread (the window
// thread); the receive loop runs on its own thread and calls the block and
// lost handlers there. Close stops the loop (its reads end within the
// port's 500 ms time-out) before the port closes.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include "receive_loop.h"

class TerminalLink {
public:
    // Bytes per read of the receive loop.
    static constexpr unsigned RECEIVE_SIZE = 2048;
    // Longest command text sent (the CR comes on top).
    static constexpr size_t COMMAND_MAX = 2047;
    // Longest wait for the loop to begin a read after the previous command.
    static constexpr unsigned PREVIOUS_ANSWER_WAIT_MS = 1000;
    // A read that got its first bytes gathers them while they come, napping
    // this long at a time, and hands them on once the line went quiet or
    // the block is full: at the line rate a few naps per block, not a wake
    // for every few bytes.
    static constexpr unsigned GATHER_MS = 50;

    using BlockFn = std::function<void(const char* pBytes, unsigned uSize)>;
    using LostFn = std::function<void()>;

    TerminalLink() : tLoop("receive") {}
    ~TerminalLink() { Close(); }

    // SerialOpen on the port; 1 when open (failures reported there).
    int Open(const char* szPort);
    // Starts the receive loop: fnBlock gets every block read (at least one
    // byte), fnLost is called once when the line hangs up and the loop
    // ends. Reports "Could not create receive thread !" and returns 0 when
    // the thread cannot be made (the port stays open).
    int StartReceive(BlockFn fnBlock, LostFn fnLost);
    // Wakes the console (one "wakeup!"; its answer is read and dropped),
    // then writes the command (cut to COMMAND_MAX) and szLineEnd; the write's
    // result is not looked at. The receive loop is held meanwhile, so the
    // wake-up's answer is never handed to fnBlock: the call first waits
    // (events running) for the loop's read in progress to end, at most the
    // port's time-out. When the previous Send wrote a command, one read of
    // the loop's that began after it ends first, so the answer that came
    // within that read is shown, not dropped by this wake-up. Nothing is
    // written when the port was closed during those waits.
    void Send(const std::string& sCommand, const char* szLineEnd = "\r");
    // Stops the receive loop (bounded wait, events running) and closes the
    // port. Does nothing when not open.
    void Close();

    bool IsOpen() const { return bOpen; }
    bool Receiving() const { return tLoop.Running(); }
    // Bytes the loop has read since StartReceive (any thread).
    unsigned long long Received() const { return uReceived.load(); }

private:
    ReceiveLoop tLoop;
    bool bOpen = false;
    std::atomic<unsigned long long> uReadsStarted{0};   // by the loop's thread
    std::atomic<unsigned long long> uReceived{0};       // by the loop's thread
    unsigned long long uReadsAtLastWrite = 0;           // Send's thread only
};
