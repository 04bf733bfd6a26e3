#include "terminal_link.h"

#include <vector>

#include "log.h"
#include "sensor.h"
#include "serial.h"

int TerminalLink::Open(const char* szPort)
{
    if (!SerialOpen(szPort))
        return 0;
    bOpen = true;
    return 1;
}

int TerminalLink::StartReceive(BlockFn fnBlock, LostFn fnLost)
{
    auto buffer = std::make_shared<std::vector<char>>(RECEIVE_SIZE);
    uReadsStarted = 0;
    uReadsAtLastWrite = 0;
    uReceived = 0;
    return tLoop.Start(
        [this, buffer, block = std::move(fnBlock)] {
            uReadsStarted++;
            const unsigned n = SerialReadGathered(buffer->data(), RECEIVE_SIZE, GATHER_MS);
            if (n > 0) {
                uReceived += n;
                block(buffer->data(), n);
            }
            return static_cast<int>(n);
        },
        std::move(fnLost));
}

void TerminalLink::Send(const std::string& sCommand, const char* szLineEnd)
{
    std::string line = sCommand.substr(0, COMMAND_MAX);
    line += szLineEnd;
    // The answer to the previous command is the loop's to show: a read
    // that began after that command went out must have started before this
    // wake-up may take the line (Hold below lets it end).
    WaitWithPump([this] { return uReadsStarted.load() > uReadsAtLastWrite || !tLoop.Running() || !bOpen; },
                 PREVIOUS_ANSWER_WAIT_MS);
    // The receive loop pauses for the exchange, so that the wake-up reads
    // its own answer and drops it; otherwise the loop, usually inside a
    // read already, would take that answer and show it before every
    // command. Waiting for the pause keeps events running, and the port may
    // have been closed meanwhile.
    tLoop.Hold();
    if (bOpen) {
        SensorWakeup();
        if (!line.empty())
            SerialWrite(line.data(), static_cast<unsigned>(line.size()));
        uReadsAtLastWrite = uReadsStarted.load();
    }
    tLoop.Release();
}

void TerminalLink::Close()
{
    if (!bOpen)
        return;
    // The loop may be waiting for the window thread: the stop's wait keeps
    // its events running, and every read ends within the port's time-out.
    while (!tLoop.Stop(WORKER_STOP_WAIT_MS))
        Log("Waiting for the receive thread...");
    SerialClose();
    bOpen = false;
}
