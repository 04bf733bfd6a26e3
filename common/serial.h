// The serial link: one port at 115200 baud, 8N1, raw, no flow control.
//
// Contract shared by all functions: results are int 1 for success and 0 for
// failure. Failures of SerialOpen and SerialSetTimeout are reported to the
// user through Error; read and write failures are left to the caller, and
// the system's reason for them is logged once where it happened (again only
// after a transfer succeeded or the port was reopened).
// Every block written and read is traced in the log.
//
// Read-ahead: the readers take what the line holds into a buffer of the
// serial layer (SERIAL_READ_AHEAD_SIZE bytes) and serve from it; every read
// hands out buffered bytes before it asks the line for more. SerialPurge,
// SerialOpen and SerialClose drop the buffer with the line's own queue, so
// what a caller sees is what it would see reading the line byte by byte.
//
// Threads: the port is used by one thread at a time, except that one thread
// may read while another writes (the terminal's receive thread). Reads are
// serialised: a read waits for another thread's read to end. SerialClose and
// SerialPurge wait for a read in progress to end (at most its time-out), and
// SerialClose also for a write, so a port is never closed under a transfer.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "serial_port.h"

constexpr unsigned SERIAL_LINE_SIZE = 2048;   // buffer size callers pass to SerialReadFrame
constexpr unsigned SERIAL_READ_AHEAD_SIZE = 4096;   // bytes the readers take from the line at most at once

// The one open port of the program. Invalid while no port is open (also
// after SerialClose, so a stale use cannot reach a reused descriptor).
extern std::atomic<SerialHandle> hSerial;

// Opens the named port (a path on Linux, "COMn" on Windows) exclusively with
// the suite's line settings, sets the program's opening time-out and purges
// both directions. Reports "Could not open serial port '%s' !" or the
// configuration failure itself.
int SerialOpen(const char* szPort);

// Read time-out rule: a read returns what has come when the requested count
// is reached, or at the latest t ms after it began (possibly nothing). A
// write fails when it has not completed within t ms.
int SerialSetTimeout(unsigned uMilliseconds);

// Waits for a read or write in progress to end, drops the read-ahead
// buffer, closes the port, logs "Serial port closed !" and returns 1.
int SerialClose();

// Discards pending output, traces the block with the program's write label,
// writes all bytes. 1 only when every byte went out in time.
int SerialWrite(const void* pBuffer, unsigned uSize);

// One read of up to uSize bytes under the current time-out: buffered bytes
// first, then the line until uSize bytes came or the time-out (counted from
// the call) passed. Returns the count; 0 also when the read failed
// (untraced; SerialLastReadFailed tells the two apart). The buffer is not
// terminated.
unsigned SerialRead(void* pBuffer, unsigned uSize);

// Like SerialRead, but also returns as soon as bytes have come and the line
// has then been silent for uQuietMs.
unsigned SerialReadUntilQuiet(void* pBuffer, unsigned uSize, unsigned uQuietMs);

// A read for a reader that shows a stream (the terminal): waits up to the
// port's time-out for the first byte, then naps uGatherMs at a time (less
// when the block would fill sooner) and takes what came, until a nap
// brought nothing, uSize bytes came or the time-out passed. At the line
// rate the caller wakes a few times per block instead of once per byte or
// per short time-out; an answer that ends is handed on uGatherMs later.
unsigned SerialReadGathered(void* pBuffer, unsigned uSize, unsigned uGatherMs);

// How a line read by SerialReadLine ended.
enum SerialLineEnd {
    SERIAL_LINE_LF = 0,     // a whole line: it ended with LF
    SERIAL_LINE_TIMEOUT,    // the time-out struck first: the line is cut
    SERIAL_LINE_FULL,       // uSize - 1 bytes came without LF: the rest is the next line
    SERIAL_LINE_FAILED,     // the read failed (0 is returned)
};

// Reads one text line: CR is dropped wherever it stands, LF ends the line
// and is not stored, at most uSize - 1 bytes are kept, and a gap of more
// than the time-out between two bytes ends the line early. When uSize - 1
// bytes have come, a line end that follows at once (CR and LF) still
// belongs to the line. The buffer is terminated and the line traced.
// Returns its length; *pEnd (may be null) says whether it is whole. A
// length of 0 is also returned when the read failed (untraced).
unsigned SerialReadLine(char* pBuffer, unsigned uSize, SerialLineEnd* pEnd);

// SerialReadLine without the line end: the line reader of the console.
unsigned SerialReadFrame(char* pBuffer, unsigned uSize);

// 1 when the calling thread's last read (SerialRead, SerialReadUntilQuiet,
// SerialReadLine, SerialReadFrame) failed, 0 when it succeeded or timed out.
int SerialLastReadFailed();

// Discards everything pending in both directions, the read-ahead buffer
// included.
void SerialPurge();

// While set, the traces of written and read blocks show every occurrence of
// szSecret as as many '*' (the admin password). nullptr or "" clears it.
void SerialSetTraceMask(const char* szSecret);

// 1 after a read found the line hung up (adapter unplugged, peer gone), until
// the next SerialOpen. A hung-up port fails every read at once, so loops that
// repeat on empty reads ask this to stop instead of spinning.
int SerialIsHungUp();

// Bytes moved since the program started, for statistics and benchmarks.
struct SerialTraffic {
    unsigned long long uWritten = 0;
    unsigned long long uRead = 0;
};
SerialTraffic SerialTrafficSoFar();

// Port list: entries "Select..." first, then every candidate that opens
// exclusively; nSelected is 1 when a port was found, else 0.
struct PortList {
    std::vector<std::string> vEntries;
    int nSelected = 0;
};
PortList LoadPortList(const std::vector<std::string>& vCandidates);
PortList LoadPortList();   // candidates of this machine (SerialPortCandidates)

constexpr const char SERIAL_SELECT_ENTRY[] = "Select...";
