// Windows implementation of the serial seam: a communications device opened
// as "\\.\COMn", configured through its DCB, with the read time-out rule
// given to the driver as COMMTIMEOUTS.
//
// The handle is opened for overlapped I/O, and every transfer waits for its
// own completion: a synchronous handle would let a write wait for a read in
// progress on another thread (the terminal's receive thread), which the
// seam's contract does not allow.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <windows.h>

#include "errno_win.h"
#include "serial_port.h"

const SerialHandle SERIAL_INVALID_HANDLE = INVALID_HANDLE_VALUE;

namespace {

// The ports probed for the port list: COM0 to COM254.
constexpr unsigned kFirstPort = 0;
constexpr unsigned kLastPort = 254;

// The time-outs are one setting of the device, shared by the reads and the
// writes of different threads: each transfer sets its part and starts under
// this lock, so that no transfer starts under another's setting.
// The setting last given to the device is kept, so that a transfer under
// the same time-out as the one before (nearly all) costs no call to set it.
std::mutex mTimeouts;
HANDLE hTimeoutsOf = nullptr;   // the handle tCurrent was set on
COMMTIMEOUTS tCurrent{};

// A read of bytes already in the input queue keeps the read time-out set
// (any will do); this one when none is set yet.
constexpr unsigned kKeepReadTimeout = ~0u;
constexpr DWORD kQueuedReadMs = 100;

using Clock = std::chrono::steady_clock;

unsigned MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<unsigned>(left) + 1 : 1u;
}

// A port name as the system's device path: "COM12" -> "\\.\COM12" (needed
// above COM9, harmless below); a path given in full stays as it is.
std::string DevicePath(const std::string& sPath)
{
    if (sPath.rfind("\\\\", 0) == 0)
        return sPath;
    return "\\\\.\\" + sPath;
}

// The errors of a line that is gone (adapter unplugged, driver stopped):
// the read fails, it does not time out.
bool IsHangUp(DWORD uError)
{
    switch (uError) {
    case ERROR_BAD_COMMAND:
    case ERROR_ACCESS_DENIED:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_NOT_READY:
    case ERROR_BROKEN_PIPE:
    case ERROR_HANDLE_EOF:
        return true;
    default:
        return false;
    }
}

SerialIo Failure(DWORD uError)
{
    errno = ErrnoFromWindows(uError);
    return IsHangUp(uError) ? SERIAL_IO_HUNGUP : SERIAL_IO_FAILED;
}

DWORD Milliseconds(unsigned uTimeout)
{
    // MAXDWORD has a meaning of its own in COMMTIMEOUTS.
    return std::min<DWORD>(uTimeout, MAXDWORD - 1);
}

// One transfer: sets its time-outs, starts it, and waits for its end. A
// read returns when the count came or the time-out passed.
SerialIo Transfer(HANDLE h, bool bWrite, void* pBuffer, unsigned uSize, unsigned uTimeout, unsigned* pDone)
{
    *pDone = 0;
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        errno = EBADF;
        return SERIAL_IO_FAILED;
    }
    if (uSize == 0)
        return SERIAL_IO_OK;
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ov.hEvent == nullptr)
        return Failure(GetLastError());
    BOOL started;
    {
        std::lock_guard<std::mutex> lock(mTimeouts);
        if (hTimeoutsOf != h) {
            tCurrent = COMMTIMEOUTS{0, 0, kQueuedReadMs, 0, kQueuedReadMs};
            hTimeoutsOf = nullptr;
        }
        COMMTIMEOUTS t = tCurrent;
        // All zero would mean "no time-out": 0 ms becomes 1.
        const DWORD ms = std::max<DWORD>(Milliseconds(uTimeout), 1);
        if (bWrite)
            t.WriteTotalTimeoutConstant = ms;
        else if (uTimeout != kKeepReadTimeout)
            t.ReadTotalTimeoutConstant = ms;
        if (hTimeoutsOf != h || std::memcmp(&t, &tCurrent, sizeof t) != 0) {
            if (!SetCommTimeouts(h, &t)) {
                const DWORD err = GetLastError();
                CloseHandle(ov.hEvent);
                return Failure(err);
            }
            tCurrent = t;
            hTimeoutsOf = h;
        }
        started = bWrite ? WriteFile(h, pBuffer, uSize, nullptr, &ov) : ReadFile(h, pBuffer, uSize, nullptr, &ov);
    }
    DWORD done = 0;
    DWORD err = ERROR_SUCCESS;
    if (!started && GetLastError() != ERROR_IO_PENDING)
        err = GetLastError();
    else if (!GetOverlappedResult(h, &ov, &done, TRUE))
        err = GetLastError();
    CloseHandle(ov.hEvent);
    // A transfer that ran into its time-out may complete with a time-out
    // status instead of success (wine's device interface does): it is a
    // time-out all the same, with what was moved until then.
    if (err == ERROR_TIMEOUT || err == ERROR_SEM_TIMEOUT) {
        err = ERROR_SUCCESS;
        done = static_cast<DWORD>(ov.InternalHigh);
    }
    *pDone = done;
    if (err != ERROR_SUCCESS)
        return Failure(err);
    if (bWrite && done < uSize) {
        errno = ETIMEDOUT;   // the line took less than the block within the time-out
        return SERIAL_IO_FAILED;
    }
    return SERIAL_IO_OK;
}

// What the line holds now, up to uSize bytes, at once: the input queue's
// count is asked first and only that much is read. (The driver's own
// "return at once" and "return at the first byte" time-outs are not used:
// not every implementation of the device interface honours them on an
// overlapped handle.)
SerialIo ReadNow(HANDLE h, void* pBuffer, unsigned uSize, unsigned* pRead)
{
    *pRead = 0;
    COMSTAT stat{};
    DWORD errors = 0;
    if (!ClearCommError(h, &errors, &stat))
        return Failure(GetLastError());
    const unsigned queued = std::min<unsigned>(stat.cbInQue, uSize);
    if (queued == 0)
        return SERIAL_IO_OK;
    return Transfer(h, false, pBuffer, queued, kKeepReadTimeout, pRead);
}

}  // namespace

bool SerialPortOpen(const std::string& sPath, SerialHandle* pHandle)
{
    *pHandle = SERIAL_INVALID_HANDLE;
    // No sharing: a communications device is exclusive by nature, and a
    // second opener is refused with "access denied".
    const HANDLE h = CreateFileA(DevicePath(sPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // Only a communications device: one that has a line state.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (GetFileType(h) != FILE_TYPE_CHAR || !GetCommState(h, &dcb)) {
        CloseHandle(h);
        return false;
    }
    *pHandle = h;
    return true;
}

bool SerialPortConfigure(SerialHandle h, unsigned uQueueSize)
{
    // The queue sizes are a request the driver may round or ignore.
    if (uQueueSize != 0)
        (void)SetupComm(h, uQueueSize, uQueueSize);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb))
        return false;
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    // No hardware or software flow control; DTR and RTS cleared.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    // A line error must not stop every later transfer until it is cleared.
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(h, &dcb))
        return false;
    // Lines without modem signals refuse these, which does not matter.
    (void)EscapeCommFunction(h, CLRDTR);
    (void)EscapeCommFunction(h, CLRRTS);
    return true;
}

bool SerialPortProbe(const std::string& sPath)
{
    SerialHandle h;
    if (!SerialPortOpen(sPath, &h))
        return false;
    SerialPortClose(h);
    return true;
}

void SerialPortClose(SerialHandle h)
{
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return;
    {
        // A later handle may get the same value.
        std::lock_guard<std::mutex> lock(mTimeouts);
        if (hTimeoutsOf == h)
            hTimeoutsOf = nullptr;
    }
    CloseHandle(h);
}

SerialIo SerialPortRead(SerialHandle h, void* pBuffer, unsigned uSize, unsigned uTimeout, unsigned* pRead)
{
    if (uTimeout == 0)
        return ReadNow(h, pBuffer, uSize, pRead);
    // The driver ends a read at the count or the time-out; one that ends
    // early without either (wine's device interface may) is read on until
    // the deadline, as the rule says.
    *pRead = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(uTimeout);
    for (;;) {
        unsigned n = 0;
        const SerialIo io = Transfer(h, false, static_cast<char*>(pBuffer) + *pRead, uSize - *pRead,
                                     MillisecondsLeft(deadline), &n);
        *pRead += n;
        if (io != SERIAL_IO_OK || *pRead >= uSize || Clock::now() >= deadline)
            return io;
    }
}

SerialIo SerialPortReadSome(SerialHandle h, void* pBuffer, unsigned uSize, unsigned uTimeout, unsigned* pRead)
{
    // What the line holds now; while it holds nothing, a read of one byte
    // waits for the first, and what came with it is taken too.
    const auto deadline = Clock::now() + std::chrono::milliseconds(uTimeout);
    for (;;) {
        SerialIo io = ReadNow(h, pBuffer, uSize, pRead);
        if (io != SERIAL_IO_OK || *pRead > 0 || uSize == 0 || Clock::now() >= deadline)
            return io;
        io = Transfer(h, false, pBuffer, 1, MillisecondsLeft(deadline), pRead);
        if (io != SERIAL_IO_OK || uSize == 1)
            return io;
        if (*pRead == 0)
            continue;   // ended early without a byte: wait on until the deadline
        unsigned more = 0;
        io = ReadNow(h, static_cast<char*>(pBuffer) + 1, uSize - 1, &more);
        *pRead += more;
        return io;
    }
}

SerialIo SerialPortWrite(SerialHandle h, const void* pBuffer, unsigned uSize, unsigned uTimeout,
                         unsigned* pWritten)
{
    return Transfer(h, true, const_cast<void*>(pBuffer), uSize, uTimeout, pWritten);
}

void SerialPortPurge(SerialHandle h, bool bInput, bool bOutput)
{
    if (h == INVALID_HANDLE_VALUE || h == nullptr || (!bInput && !bOutput))
        return;
    // Only the queues: a transfer in progress on another thread goes on.
    (void)PurgeComm(h, (bInput ? PURGE_RXCLEAR : 0) | (bOutput ? PURGE_TXCLEAR : 0));
}

std::vector<std::string> SerialPortCandidates()
{
    std::vector<std::string> ports;
    for (unsigned n = kFirstPort; n <= kLastPort; n++)
        ports.push_back("COM" + std::to_string(n));
    return ports;
}
