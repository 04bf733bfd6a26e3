// A serial line played from bytes: the alternative implementation of the
// serial seam (serial_port.h) that the fuzz harnesses link in place of the
// platform's. The serial functions above it (serial.cpp) run unchanged.
//
// The line's answers are segments: each write the host makes brings the
// next one, as a sensor answers what it was sent (the port's own purge at
// opening would drop anything sent before). Reads never wait: a line that holds nothing has
// timed out. Once every segment has arrived and been read, the line stays
// silent, or, with a failure chosen, fails every read and write from then
// on (a hung-up adapter, an I/O error). Single-threaded.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "serial_port.h"

namespace fakeserial {

// The port name that opens; every other name fails as a missing port.
constexpr char PORT[] = "fuzz";

void Load(std::vector<std::string> vSegments, SerialIo nAtEnd = SERIAL_IO_OK);

// A device that answers what it is sent: called with each block the host
// writes, returns the bytes that come back (may be empty) and sets *pbLast
// when nothing follows them.
using Responder = std::function<std::string(const std::string& sFromHost, bool* pbLast)>;

// Plays such a device instead: sInitial is pending at once, each write is
// answered by fnRespond (null: nothing), and once the last answer
// (sInitial when bInitialIsLast) has been read the line hangs up, so a run
// that wants more fails at once.
void Play(const std::string& sInitial, bool bInitialIsLast, Responder fnRespond);

// The blocks the host wrote since Load, one string per write, in order.
const std::vector<std::string>& Writes();

// Bytes the line has delivered to reads since Load.
size_t Delivered();

}  // namespace fakeserial
