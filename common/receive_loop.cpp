#include "receive_loop.h"

#include <chrono>
#include <thread>

#include "serial.h"

int ReceiveLoop::Start(ReadFn fnRead, LostFn fnLost)
{
    bHeld = false;
    return worker.Start([this, read = std::move(fnRead), lost = std::move(fnLost)] { Run(read, lost); });
}

void ReceiveLoop::Run(const ReadFn& fnRead, const LostFn& fnLost)
{
    while (!worker.StopRequested()) {
        if (nHolds.load() > 0) {
            bHeld = true;
            while (nHolds.load() > 0 && !worker.StopRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
    return worker.Stop(uTimeoutMs);
}

void ReceiveLoop::Hold()
{
    nHolds++;
    WaitWithPump([this] { return bHeld.load() || !worker.Running(); }, ~0u);
}

void ReceiveLoop::Release()
{
    if (nHolds.load() > 0)
        nHolds--;
}
