#include "serial.h"

#include <cstdio>
#include <mutex>

#include "log.h"

std::atomic<SerialHandle> hSerial{SERIAL_INVALID_HANDLE};

namespace {

std::atomic<unsigned> uSerialTimeout{500};
std::atomic<int> bSerialHungUp{0};
std::atomic<unsigned long long> uTrafficWritten{0};
std::atomic<unsigned long long> uTrafficRead{0};

// One read at a time on the port, as a synchronous device handle behaves:
// when two threads read (the terminal's receive thread and its wake-up),
// each gets whole blocks instead of bytes torn between them.
std::mutex mSerialRead;

void NoteResult(SerialIo io)
{
    if (io == SERIAL_IO_HUNGUP)
        bSerialHungUp = 1;
}

}  // namespace

int SerialOpen(const char* szPort)
{
    const ProgramProfile& p = CurrentProfile();
    Log("Opening serial port '%s'...", szPort);
    SerialHandle h;
    if (!SerialPortOpen(szPort, &h))
        return Error("Could not open serial port '%s' !", szPort);
    Log("Setting serial port configuration (speed: %d bauds, 8 bits, 1 start, 1 stop, no-parity)...",
        SERIAL_BAUDRATE);
    if (!SerialPortConfigure(h, p.uQueueSize)) {
        SerialPortClose(h);
        return Error("Could not set configuration (speed: %d bauds, 8 bits, 1 start, 1 stop, "
                     "no-parity) on serial port '%s' !",
                     SERIAL_BAUDRATE, szPort);
    }
    hSerial = h;
    bSerialHungUp = 0;
    if (p.uOpenTimeout != 0 && !SerialSetTimeout(p.uOpenTimeout) && p.bOpenTimeoutFatal) {
        SerialPortClose(h);
        hSerial = SERIAL_INVALID_HANDLE;
        return 0;
    }
    SerialPortPurge(h, true, true);
    Log("Serial port '%s' opened !", szPort);
    return 1;
}

int SerialSetTimeout(unsigned uMilliseconds)
{
    Log("Setting serial port timeout (read: %d ms, write: %d ms)...", uMilliseconds, uMilliseconds);
    // A time-out is a value of ours on this platform; it cannot be refused.
    uSerialTimeout = uMilliseconds;
    return 1;
}

int SerialClose()
{
    SerialHandle h = hSerial.exchange(SERIAL_INVALID_HANDLE);
    SerialPortClose(h);
    Log("Serial port closed !");
    return 1;
}

int SerialWrite(const void* pBuffer, unsigned uSize)
{
    SerialHandle h = hSerial;
    SerialPortPurge(h, false, true);
    LogBuffer(CurrentProfile().szWriteLabel, pBuffer, uSize);
    unsigned written = 0;
    SerialIo io = SerialPortWrite(h, pBuffer, uSize, uSerialTimeout, &written);
    NoteResult(io);
    uTrafficWritten += written;
    return io == SERIAL_IO_OK && written == uSize ? 1 : 0;
}

unsigned SerialRead(void* pBuffer, unsigned uSize)
{
    std::lock_guard<std::mutex> lock(mSerialRead);
    unsigned got = 0;
    SerialIo io = SerialPortRead(hSerial, pBuffer, uSize, uSerialTimeout, &got);
    NoteResult(io);
    uTrafficRead += got;
    if (io != SERIAL_IO_OK)
        return 0;
    if (got > 0 || CurrentProfile().bTraceEmptyReads)
        LogBuffer("READ  : ", pBuffer, got);
    return got;
}

unsigned SerialReadFrame(char* pBuffer, unsigned uSize)
{
    if (uSize == 0)
        return 0;
    std::lock_guard<std::mutex> lock(mSerialRead);
    const SerialHandle h = hSerial;
    const unsigned timeout = uSerialTimeout;
    unsigned count = 0;
    while (count + 1 < uSize) {
        unsigned char c;
        unsigned got = 0;
        SerialIo io = SerialPortRead(h, &c, 1, timeout, &got);
        NoteResult(io);
        uTrafficRead += got;
        if (io != SERIAL_IO_OK)
            return 0;
        if (got == 0)
            break;
        if (c == '\r')
            continue;
        if (c == '\n')
            break;
        pBuffer[count++] = static_cast<char>(c);
    }
    pBuffer[count] = '\0';
    LogBuffer("READ  : ", pBuffer, count);
    return count;
}

void SerialPurge()
{
    SerialPortPurge(hSerial, true, true);
}

int SerialIsHungUp()
{
    return bSerialHungUp.load();
}

SerialTraffic SerialTrafficSoFar()
{
    SerialTraffic t;
    t.uWritten = uTrafficWritten.load();
    t.uRead = uTrafficRead.load();
    return t;
}

PortList LoadPortList(const std::vector<std::string>& vCandidates)
{
    PortList list;
    list.vEntries.emplace_back(SERIAL_SELECT_ENTRY);
    for (const std::string& port : vCandidates) {
        if (SerialPortProbe(port))
            list.vEntries.push_back(port);
    }
    list.nSelected = list.vEntries.size() > 1 ? 1 : 0;
    return list;
}

PortList LoadPortList()
{
    return LoadPortList(SerialPortCandidates());
}
