#include "serial.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "log.h"
#include "portaccess.h"
#include "serial_exit.h"

std::atomic<SerialHandle> hSerial{SERIAL_INVALID_HANDLE};

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<unsigned> uSerialTimeout{500};
std::atomic<int> bSerialHungUp{0};
std::atomic<unsigned long long> uTrafficWritten{0};
std::atomic<unsigned long long> uTrafficRead{0};

// One read at a time on the port, as a synchronous device handle behaves:
// when two threads read (the terminal's receive thread and its wake-up),
// each gets whole blocks instead of bytes torn between them. It also guards
// the read-ahead buffer.
std::mutex mSerialRead;
// One write at a time; SerialClose takes both.
std::mutex mSerialWrite;

// Bytes taken from the line and not yet handed out, data[uStart, uEnd).
struct ReadAhead {
    unsigned char data[SERIAL_READ_AHEAD_SIZE];
    unsigned uStart = 0;
    unsigned uEnd = 0;

    unsigned Held() const { return uEnd - uStart; }
    void Drop() { uStart = uEnd = 0; }
    unsigned Take(void* pTo, unsigned uMax)
    {
        const unsigned n = std::min(uMax, Held());
        std::memcpy(pTo, data + uStart, n);
        uStart += n;
        if (uStart == uEnd)
            Drop();
        return n;
    }
};
ReadAhead tReadAhead;   // guarded by mSerialRead

thread_local int bLastReadFailed = 0;

// A failure's reason is logged once until a transfer of that direction
// succeeds again or the port is reopened.
std::atomic<int> bReadFailureLogged{0};
std::atomic<int> bWriteFailureLogged{0};

std::mutex mTraceMask;
std::string sTraceMask;             // guarded by mTraceMask
std::atomic<bool> bTraceMasked{false};

// What one transfer came to, taken under the lock and acted on after it,
// so that no log line (and no message about a log that cannot be written)
// is ever made while a reader or writer waits for the lock.
struct Outcome {
    SerialIo io = SERIAL_IO_OK;
    int nError = 0;

    void Set(SerialIo ioResult)
    {
        io = ioResult;
        nError = errno;
    }
};

void Trace(const char* szLabel, const void* pBuffer, unsigned uSize)
{
    if (bLogEnabled.load() == 0)
        return;
    if (!bTraceMasked.load()) {
        LogBuffer(szLabel, pBuffer, uSize);
        return;
    }
    std::string masked(static_cast<const char*>(pBuffer), uSize);
    {
        std::lock_guard<std::mutex> lock(mTraceMask);
        if (!sTraceMask.empty()) {
            for (size_t at = masked.find(sTraceMask); at != std::string::npos;
                 at = masked.find(sTraceMask, at + sTraceMask.size()))
                masked.replace(at, sTraceMask.size(), sTraceMask.size(), '*');
        }
    }
    LogBuffer(szLabel, masked.data(), uSize);
}

// Records a read's outcome for SerialIsHungUp and SerialLastReadFailed and
// logs a failure's reason once. true when the read failed.
bool FinishRead(const Outcome& o)
{
    if (o.io == SERIAL_IO_OK) {
        bLastReadFailed = 0;
        bReadFailureLogged = 0;
        return false;
    }
    bLastReadFailed = 1;
    if (o.io == SERIAL_IO_HUNGUP)
        bSerialHungUp = 1;
    if (bReadFailureLogged.exchange(1) == 0)
        Log("Serial port read failed (%s) !", o.io == SERIAL_IO_HUNGUP ? "line hung up" : std::strerror(o.nError));
    return true;
}

bool FinishWrite(const Outcome& o)
{
    if (o.io == SERIAL_IO_OK) {
        bWriteFailureLogged = 0;
        return false;
    }
    if (o.io == SERIAL_IO_HUNGUP)
        bSerialHungUp = 1;
    if (bWriteFailureLogged.exchange(1) == 0)
        Log("Serial port write failed (%s) !", o.io == SERIAL_IO_HUNGUP ? "line hung up" : std::strerror(o.nError));
    return true;
}

// Refills the empty read-ahead buffer with what the line holds, waiting at
// most uTimeout ms for the first byte. false when nothing came (time-out or
// failure, told apart by o).
bool Refill(SerialHandle h, unsigned uTimeout, Outcome& o)
{
    unsigned n = 0;
    o.Set(SerialPortReadSome(h, tReadAhead.data, SERIAL_READ_AHEAD_SIZE, uTimeout, &n));
    tReadAhead.uStart = 0;
    tReadAhead.uEnd = o.io == SERIAL_IO_OK ? n : 0;
    return tReadAhead.uEnd > 0;
}

unsigned MillisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<unsigned>(left) : 0u;
}

}  // namespace

int SerialOpen(const char* szPort)
{
    const ProgramProfile& p = CurrentProfile();
    Log("Opening serial port '%s'...", szPort);
    SerialHandle h;
    if (!SerialPortOpen(szPort, &h)) {
        const int err = errno;
        return Error("Could not open serial port '%s' ! (%s)", szPort, SerialPortOpenReason(szPort, err).c_str());
    }
    Log("Setting serial port configuration (speed: %d bauds, 8 bits, 1 start, 1 stop, no-parity)...",
        SERIAL_BAUDRATE);
    if (!SerialPortConfigure(h, p.uQueueSize)) {
        SerialPortClose(h);
        return Error("Could not set configuration (speed: %d bauds, 8 bits, 1 start, 1 stop, "
                     "no-parity) on serial port '%s' !",
                     SERIAL_BAUDRATE, szPort);
    }
    {
        std::lock_guard<std::mutex> lock(mSerialRead);
        tReadAhead.Drop();
        hSerial = h;
    }
    bSerialHungUp = 0;
    bReadFailureLogged = 0;
    bWriteFailureLogged = 0;
    if (p.uOpenTimeout != 0 && !SerialSetTimeout(p.uOpenTimeout) && p.bOpenTimeoutFatal) {
        SerialPortClose(h);
        hSerial = SERIAL_INVALID_HANDLE;
        return 0;
    }
    SerialPortPurge(h, true, true);
    SerialExitWatch(h);
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
    const SerialHandle h = hSerial.exchange(SERIAL_INVALID_HANDLE);
    {
        // A transfer in progress still uses the descriptor it took; it ends
        // within its time-out, and only then is the descriptor released.
        std::scoped_lock lock(mSerialRead, mSerialWrite);
        tReadAhead.Drop();
        SerialExitUnwatch();
        SerialPortClose(h);
    }
    Log("Serial port closed !");
    return 1;
}

int SerialWrite(const void* pBuffer, unsigned uSize)
{
    Trace(CurrentProfile().szWriteLabel, pBuffer, uSize);
    unsigned written = 0;
    Outcome o;
    {
        std::lock_guard<std::mutex> lock(mSerialWrite);
        const SerialHandle h = hSerial;
        SerialPortPurge(h, false, true);
        o.Set(SerialPortWrite(h, pBuffer, uSize, uSerialTimeout, &written));
    }
    uTrafficWritten += written;
    if (FinishWrite(o))
        return 0;
    return written == uSize ? 1 : 0;
}

namespace {

// The end of a read that took got bytes: counted, the outcome kept for
// SerialLastReadFailed, traced. A failed read returns 0 unless
// bKeepOnFailure (the bytes before the failure are handed on).
unsigned EndRead(const void* pBuffer, unsigned got, const Outcome& o, bool bKeepOnFailure)
{
    uTrafficRead += got;
    if (FinishRead(o) && (!bKeepOnFailure || got == 0))
        return 0;
    if (got > 0 || CurrentProfile().bTraceEmptyReads)
        Trace("READ  : ", pBuffer, got);
    return got;
}

// When a read that gathers ends once its first bytes have come.
enum GatherRule {
    // Each further system read waits up to uMs for more; the time-out
    // counts from the call.
    GATHER_UNTIL_QUIET,
    // Naps uMs (less when the block would fill sooner), then takes what
    // came without waiting; the time-out counts from the first bytes.
    GATHER_BY_NAPS,
};

// The one locked read loop of the reads that gather: buffered bytes first,
// the first byte waited for up to the time-out, then more by the rule,
// until uSize bytes came, a read brought nothing, the read failed or the
// time-out passed.
unsigned ReadGathering(unsigned char* p, unsigned uSize, GatherRule nRule, unsigned uMs, Outcome& o)
{
    std::lock_guard<std::mutex> lock(mSerialRead);
    const SerialHandle h = hSerial;
    const auto timeout = std::chrono::milliseconds(uSerialTimeout.load());
    auto deadline = Clock::now() + timeout;
    unsigned got = tReadAhead.Take(p, uSize);
    while (got < uSize) {
        const bool first = got == 0;
        unsigned wait = MillisecondsUntil(deadline);
        if (!first && nRule == GATHER_UNTIL_QUIET) {
            wait = std::min(wait, uMs);
        } else if (!first) {
            if (Clock::now() >= deadline)
                break;
            // The rest of the block needs this long on the line.
            const long long fillUs = static_cast<long long>(uSize - got) * 1000000LL / SERIAL_BYTES_PER_SECOND;
            std::this_thread::sleep_for(std::chrono::microseconds(std::min<long long>(fillUs, uMs * 1000LL)));
            wait = 0;
        }
        unsigned n = 0;
        o.Set(SerialPortReadSome(h, p + got, uSize - got, wait, &n));
        got += n;
        // Nothing within the wait: the quiet gap, or the whole time-out.
        if (o.io != SERIAL_IO_OK || n == 0)
            break;
        if (first && nRule == GATHER_BY_NAPS)
            deadline = Clock::now() + timeout;
    }
    return got;
}

}  // namespace

unsigned SerialRead(void* pBuffer, unsigned uSize)
{
    auto* p = static_cast<unsigned char*>(pBuffer);
    unsigned got = 0;
    Outcome o;
    {
        std::lock_guard<std::mutex> lock(mSerialRead);
        got = tReadAhead.Take(p, uSize);
        if (got < uSize) {
            unsigned n = 0;
            o.Set(SerialPortRead(hSerial, p + got, uSize - got, uSerialTimeout, &n));
            got += n;
        }
    }
    return EndRead(pBuffer, got, o, false);
}

unsigned SerialReadUntilQuiet(void* pBuffer, unsigned uSize, unsigned uQuietMs)
{
    Outcome o;
    const unsigned got = ReadGathering(static_cast<unsigned char*>(pBuffer), uSize, GATHER_UNTIL_QUIET, uQuietMs, o);
    return EndRead(pBuffer, got, o, false);
}

unsigned SerialReadGathered(void* pBuffer, unsigned uSize, unsigned uGatherMs)
{
    Outcome o;
    const unsigned got = ReadGathering(static_cast<unsigned char*>(pBuffer), uSize, GATHER_BY_NAPS, uGatherMs, o);
    return EndRead(pBuffer, got, o, true);
}

unsigned SerialReadLine(char* pBuffer, unsigned uSize, SerialLineEnd* pEnd)
{
    if (uSize == 0) {
        // No room even for the terminator: nothing is read, nothing failed.
        bLastReadFailed = 0;
        if (pEnd != nullptr)
            *pEnd = SERIAL_LINE_FULL;
        return 0;
    }
    SerialLineEnd end = SERIAL_LINE_TIMEOUT;
    unsigned count = 0;
    unsigned consumed = 0;
    Outcome o;
    {
        std::lock_guard<std::mutex> lock(mSerialRead);
        const SerialHandle h = hSerial;
        const unsigned timeout = uSerialTimeout;
        // Once uSize - 1 bytes are kept, only the line end may follow: it is
        // taken when it has already come (or, after its CR, comes within the
        // time-out); anything else starts the next line.
        bool full = uSize == 1;
        bool afterCr = false;
        for (;;) {
            if (tReadAhead.Held() == 0 && !Refill(h, full && !afterCr ? 0 : timeout, o)) {
                end = o.io != SERIAL_IO_OK ? SERIAL_LINE_FAILED : (full ? SERIAL_LINE_FULL : SERIAL_LINE_TIMEOUT);
                break;
            }
            const unsigned char c = tReadAhead.data[tReadAhead.uStart];
            if (c == '\n') {
                tReadAhead.uStart++;
                consumed++;
                end = SERIAL_LINE_LF;
                break;
            }
            afterCr = c == '\r';
            if (!afterCr && full) {
                end = SERIAL_LINE_FULL;
                break;
            }
            tReadAhead.uStart++;
            consumed++;
            if (!afterCr) {
                pBuffer[count++] = static_cast<char>(c);
                full = count + 1 >= uSize;
            }
        }
        if (tReadAhead.Held() == 0)
            tReadAhead.Drop();
    }
    uTrafficRead += consumed;
    if (pEnd != nullptr)
        *pEnd = end;
    if (FinishRead(o)) {
        pBuffer[0] = '\0';
        return 0;
    }
    pBuffer[count] = '\0';
    Trace("READ  : ", pBuffer, count);
    return count;
}

unsigned SerialReadFrame(char* pBuffer, unsigned uSize)
{
    return SerialReadLine(pBuffer, uSize, nullptr);
}

int SerialLastReadFailed()
{
    return bLastReadFailed;
}

void SerialPurge()
{
    std::lock_guard<std::mutex> lock(mSerialRead);
    tReadAhead.Drop();
    SerialPortPurge(hSerial, true, true);
}

void SerialSetTraceMask(const char* szSecret)
{
    std::lock_guard<std::mutex> lock(mTraceMask);
    sTraceMask = szSecret != nullptr ? szSecret : "";
    bTraceMasked = !sTraceMask.empty();
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
    list.vNotes.emplace_back();
    size_t firstFree = 0;
    for (const std::string& port : vCandidates) {
        SerialHandle h;
        if (SerialPortOpen(port, &h)) {
            SerialPortClose(h);
            list.vEntries.push_back(port);
            list.vNotes.emplace_back();
            if (firstFree == 0)
                firstFree = list.vEntries.size() - 1;
        } else if (SerialPortDenied(errno)) {
            // Listed, so that the user learns why it cannot be used.
            list.vEntries.push_back(port);
            list.vNotes.emplace_back(PORT_NOTE_NO_PERMISSION);
        }
    }
    list.nSelected = firstFree != 0 ? static_cast<int>(firstFree) : list.vEntries.size() > 1 ? 1 : 0;
    return list;
}

PortList LoadPortList()
{
    return LoadPortList(SerialPortCandidates());
}
