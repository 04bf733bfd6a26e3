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
    return tLoop.Start(
        [buffer, block = std::move(fnBlock)] {
            const unsigned n = SerialRead(buffer->data(), RECEIVE_SIZE);
            if (n > 0)
                block(buffer->data(), n);
            return static_cast<int>(n);
        },
        std::move(fnLost));
}

void TerminalLink::Send(const std::string& sCommand)
{
    std::string line = sCommand.substr(0, COMMAND_MAX);
    line += '\r';
    SensorWakeup();
    SerialWrite(line.data(), static_cast<unsigned>(line.size()));
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
