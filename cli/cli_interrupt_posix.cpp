// POSIX part of the console interrupt: SIGINT, SIGTERM and SIGHUP.
#include "cli_interrupt.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "serial_exit.h"

namespace {

const int tSignals[3] = {SIGINT, SIGTERM, SIGHUP};
// The handlers in place before the instance, restored when it ends.
struct sigaction tPrevious[3]{};

// What the handler may touch: the pipe to the watcher, a count, and two
// texts each kept in two slots, so that the handler never reads a slot
// while it is rewritten.
constexpr size_t TEXT_SIZE = 1024;
struct SignalText {
    char szSlot[2][TEXT_SIZE] = {};
    std::atomic<int> nActive{-1};   // slot to read, -1: none

    void Set(const char* szText)
    {
        if (szText == nullptr || szText[0] == '\0' || std::strlen(szText) >= TEXT_SIZE) {
            nActive = -1;
            return;
        }
        const int slot = nActive.load() == 0 ? 1 : 0;
        std::memcpy(szSlot[slot], szText, std::strlen(szText) + 1);
        nActive = slot;
    }
    const char* Get() const
    {
        const int slot = nActive.load();
        return slot < 0 ? nullptr : szSlot[slot];
    }
};

int tPipe[2] = {-1, -1};
std::atomic<int> nSignals{0};
SignalText tCleanup;
SignalText tLastWords;

void OnSignal(int nSignal)
{
    const int saved = errno;
    if (nSignals.fetch_add(1) == 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(tPipe[1], &byte, 1);
        errno = saved;
        return;
    }
    if (const char* path = tCleanup.Get())
        unlink(path);
    if (const char* words = tLastWords.Get()) {
        [[maybe_unused]] ssize_t n = write(STDERR_FILENO, words, std::strlen(words));
    }
    SerialExitRelease();
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
    errno = saved;
}

}  // namespace

CliInterrupt::CliInterrupt(AutoResetEvent& event, const char* szNotice)
{
    if (pipe(tPipe) != 0)
        return;
    nSignals = 0;
    watcher = std::thread([&event, szNotice] {
        char byte;
        while (read(tPipe[0], &byte, 1) == 1 && byte != 0) {
            std::fprintf(stderr, "\nInterrupted: %s (once more to quit at once)...\n", szNotice);
            event.Set();
        }
    });
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (size_t i = 0; i < 3; i++)
        sigaction(tSignals[i], &sa, &tPrevious[i]);
    bInstalled = true;
}

CliInterrupt::~CliInterrupt()
{
    if (!bInstalled)
        return;
    for (size_t i = 0; i < 3; i++)
        sigaction(tSignals[i], &tPrevious[i], nullptr);
    const char stop = 0;
    [[maybe_unused]] ssize_t n = write(tPipe[1], &stop, 1);
    watcher.join();
    close(tPipe[0]);
    close(tPipe[1]);
    tPipe[0] = tPipe[1] = -1;
    tCleanup.Set(nullptr);
    tLastWords.Set(nullptr);
}

void CliInterrupt::SetCleanupPath(const char* szPath)
{
    tCleanup.Set(szPath);
}

void CliInterrupt::SetLastWords(const char* szText)
{
    tLastWords.Set(szText);
}
