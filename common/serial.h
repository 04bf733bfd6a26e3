// The serial link: one port at 115200 baud, 8N1, raw, no flow control.
//
// Contract shared by all functions: results are int 1 for success and 0 for
// failure. Failures of SerialOpen and SerialSetTimeout are reported to the
// user through Error; read and write failures are left to the caller.
// Every block written and read is traced in the log.
//
// Threads: the port is used by one thread at a time, except that one thread
// may read while another writes (the terminal's receive thread). Reads are
// serialised: a read waits for another thread's read to end.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "serial_port.h"

constexpr unsigned SERIAL_BAUDRATE = 115200;
constexpr unsigned SERIAL_LINE_SIZE = 2048;   // buffer size callers pass to SerialReadFrame

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

// Closes the port, logs "Serial port closed !" and returns 1.
int SerialClose();

// Discards pending output, traces the block with the program's write label,
// writes all bytes. 1 only when every byte went out in time.
int SerialWrite(const void* pBuffer, unsigned uSize);

// One read of up to uSize bytes under the current time-out. Returns the
// count (0 also when the read failed, untraced). The buffer is not
// terminated.
unsigned SerialRead(void* pBuffer, unsigned uSize);

// Reads one text line, one byte per read: CR is dropped, LF ends the line,
// at most uSize - 1 bytes are kept, a time-out ends the line early. The
// buffer is terminated and the line traced. Returns its length; 0 without a
// terminator when the read failed.
unsigned SerialReadFrame(char* pBuffer, unsigned uSize);

// Discards everything pending in both directions.
void SerialPurge();

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
