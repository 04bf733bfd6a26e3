// Ctrl-C (SIGINT), SIGTERM and SIGHUP (a closed terminal or remote login)
// while a long varn command runs: the first one asks the command to stop at
// its next safe point through its cancel event, and a line on standard error
// says so; a second one ends the program at once, after it removed the file
// named with SetCleanupPath, wrote the last words set with SetLastWords and
// let go of the serial port (serial_exit.h).
//
// One instance at a time, on the command's thread. The handlers of the
// three signals that were in place before come back when it ends.
//
// Platform part: cli_interrupt_posix.cpp (the three signals) and
// cli_interrupt_win.cpp (the console's Ctrl-C, Ctrl-Break and close events,
// the same two steps).
#pragma once

#include <thread>

#include "event.h"

class CliInterrupt {
public:
    // szNotice follows "Interrupted: " on the first signal, e.g. "stopping
    // after the current record".
    CliInterrupt(AutoResetEvent& event, const char* szNotice);
    ~CliInterrupt();
    CliInterrupt(const CliInterrupt&) = delete;
    CliInterrupt& operator=(const CliInterrupt&) = delete;

    // The file a second signal removes; nullptr or "" for none. Longer
    // paths than the handler's buffer are not removed by it.
    static void SetCleanupPath(const char* szPath);
    // What a second signal writes to standard error before the program
    // ends; nullptr or "" for nothing.
    static void SetLastWords(const char* szText);

private:
    std::thread watcher;
    bool bInstalled = false;
};
