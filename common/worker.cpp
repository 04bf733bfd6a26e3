#include "worker.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "log.h"
#include "serial_exit.h"

namespace {

std::atomic<int> nRunningWorkers{0};

void SleepPump()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::atomic<WaitPumpFn> pfnWaitPump{SleepPump};

}  // namespace

void SetWaitPump(WaitPumpFn pfn)
{
    pfnWaitPump = pfn != nullptr ? pfn : SleepPump;
}

void RunWaitPump()
{
    pfnWaitPump.load()();
}

bool WaitWithPump(const std::function<bool()>& pred, unsigned uTimeoutMs, WaitPumpFn pfnPump)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(uTimeoutMs);
    for (;;) {
        if (pred())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (pfnPump != nullptr)
            pfnPump();
        else
            RunWaitPump();
    }
}

Worker::Worker(const char* szThreadWord) : szWord(szThreadWord) {}

Worker::~Worker()
{
    if (!hThread.joinable())
        return;
    if (!Stop(WORKER_STOP_WAIT_MS)) {
        Log("Waiting for the %s thread to end...", szWord);
        hThread.join();
    }
}

int Worker::Start(std::function<void()> fnBody, const char* szRunWord)
{
    // A run that has shown its last step may still be returning: give it a
    // moment rather than refusing the next start.
    if (Running() && !Wait(WORKER_RESTART_WAIT_MS))
        return 0;
    if (hThread.joinable())
        hThread.join();
    bStop.store(false, std::memory_order_release);
    hCancel.Reset();
    bRunning.store(true, std::memory_order_release);
    nRunningWorkers++;
    try {
        hThread = std::thread([this, body = std::move(fnBody)] {
            body();
            nRunningWorkers--;
            bRunning.store(false, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        nRunningWorkers--;
        bRunning.store(false, std::memory_order_release);
        return Error("Could not create %s thread !", szRunWord != nullptr ? szRunWord : szWord);
    }
    return 1;
}

void Worker::RequestStop()
{
    bStop.store(true, std::memory_order_release);
    hCancel.Set();
}

bool Worker::Wait(unsigned uTimeoutMs)
{
    if (!WaitWithPump([this] { return !Running(); }, uTimeoutMs))
        return false;
    if (hThread.joinable())
        hThread.join();
    return true;
}

bool Worker::Stop(unsigned uTimeoutMs)
{
    RequestStop();
    return Wait(uTimeoutMs);
}

void Worker::Join()
{
    if (hThread.joinable())
        hThread.join();
}

int Worker::RunningCount()
{
    return nRunningWorkers.load();
}

void WorkerExitRule(int nCode)
{
    const int running = Worker::RunningCount();
    if (running <= 0)
        return;
    Log("%d worker thread(s) still running at exit: ending the program now", running);
    std::fflush(nullptr);
    // _exit runs no exit handlers: the port's exclusive flag is cleared here,
    // or the device would refuse the next program that opens it.
    SerialExitRelease();
    std::_Exit(nCode);
}
