// Windows part of the console interrupt: the console's Ctrl-C, Ctrl-Break
// and close events. The system runs the handler on a thread of its own, so
// it may take locks and call the runtime like any thread.
#include "cli_interrupt.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <windows.h>

#include "serial_exit.h"

namespace {

// What the handler touches, under the lock: the instance's event and
// notice (null while no instance is installed), the file to remove and the
// last words.
std::mutex mState;
AutoResetEvent* pEvent = nullptr;
const char* szEventNotice = "";
std::string sCleanup;
std::string sLastWords;
std::atomic<int> nEvents{0};

BOOL WINAPI OnConsoleEvent(DWORD uKind)
{
    if (uKind != CTRL_C_EVENT && uKind != CTRL_BREAK_EVENT && uKind != CTRL_CLOSE_EVENT)
        return FALSE;
    std::lock_guard<std::mutex> lock(mState);
    if (pEvent == nullptr)
        return FALSE;
    if (nEvents.fetch_add(1) == 0) {
        std::fprintf(stderr, "\nInterrupted: %s (once more to quit at once)...\n", szEventNotice);
        pEvent->Set();
        return TRUE;
    }
    if (!sCleanup.empty())
        DeleteFileA(sCleanup.c_str());
    if (!sLastWords.empty()) {
        std::fputs(sLastWords.c_str(), stderr);
        std::fflush(stderr);
    }
    SerialExitRelease();
    // The exit status the console's own Ctrl-C handling gives.
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

}  // namespace

CliInterrupt::CliInterrupt(AutoResetEvent& event, const char* szNotice)
{
    {
        std::lock_guard<std::mutex> lock(mState);
        pEvent = &event;
        szEventNotice = szNotice;
        nEvents = 0;
    }
    bInstalled = SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

CliInterrupt::~CliInterrupt()
{
    if (bInstalled)
        SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    std::lock_guard<std::mutex> lock(mState);
    pEvent = nullptr;
    sCleanup.clear();
    sLastWords.clear();
}

void CliInterrupt::SetCleanupPath(const char* szPath)
{
    std::lock_guard<std::mutex> lock(mState);
    sCleanup = szPath != nullptr ? szPath : "";
}

void CliInterrupt::SetLastWords(const char* szText)
{
    std::lock_guard<std::mutex> lock(mState);
    sLastWords = szText != nullptr ? szText : "";
}
