#include "receive_loop.h"

#include <chrono>
#include <thread>

#include "serial.h"

int ReceiveLoop::Start(ReadFn fnRead, LostFn fnLost)
{
    bHeld = false;
    bStopping = false;
    return worker.Start([this, read = std::move(fnRead), lost = std::move(fnLost)] { Run(read, lost); });
}

void ReceiveLoop::Run(const ReadFn& fnRead, const LostFn& fnLost)
{
    while (!worker.StopRequested() && !bStopping.load()) {
        if (nHolds.load() > 0) {
            // Sleeps until the Release or the Stop (the time-out only
            // guards against a stop asked of the worker directly).
            std::unique_lock<std::mutex> lock(mHold);
            bHeld = true;
            while (nHolds.load() > 0 && !bStopping.load() && !worker.StopRequested())
                cvHold.wait_for(lock, std::chrono::milliseconds(HOLD_CHECK_MS));
            bHeld = false;
            continue;
        }
        const unsigned long long began = TickCountMs();
        const int n = fnRead();
        if (n < 0)
            break;
        if (n > 0)
            continue;
        if (SerialIsHungUp()) {
            if (fnLost)
                fnLost();
            break;
        }
        if (TickCountMs() - began < FAILED_READ_PAUSE_MS)
            std::this_thread::sleep_for(std::chrono::milliseconds(FAILED_READ_PAUSE_MS));
    }
}

bool ReceiveLoop::Stop(unsigned uTimeoutMs)
{
    {
        std::lock_guard<std::mutex> lock(mHold);
        bStopping = true;
    }
    cvHold.notify_all();
    return worker.Stop(uTimeoutMs);
}

void ReceiveLoop::Hold()
{
    nHolds++;
    WaitWithPump([this] { return bHeld.load() || !worker.Running(); }, ~0u);
}

void ReceiveLoop::Release()
{
    {
        std::lock_guard<std::mutex> lock(mHold);
        if (nHolds.load() > 0)
            nHolds--;
    }
    cvHold.notify_all();
}
