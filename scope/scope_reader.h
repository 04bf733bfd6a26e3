// The scope's frame reader: one line or one binary block from the open port
// (hSerial). The console's line reader of the same name (serial.h) stays
// global; this one keeps every byte (CR and zero bytes included) and
// completes a binary block to the length its header announces.
//
// Threads: called by the receive thread only, the one reader of the port
// while the scope is connected.
#pragma once

#include <atomic>

namespace scope {

// Why SerialReadFrame returned.
enum FrameEnd {
    FRAME_DONE = 0,   // a line or block was stored (or nothing usable: count 0)
    FRAME_STOPPED,    // the stop flag was seen while waiting for a byte
    FRAME_FAILED,     // a read failed (port closed, device error)
    FRAME_HUNGUP,     // the line hung up (adapter unplugged, peer gone)
};

// Waiting for the next byte looks at the stop flag this often, ms.
constexpr unsigned FRAME_STOP_SLICE_MS = 200;

// Reads single bytes into pBuffer until a LF has been stored or nSize bytes
// are stored. A wait that brings no byte is repeated (until the stop flag,
// when given, is set); only a failing read ends the line early.
//
// A unit that begins with "ACQ;BLK;" is a binary block: its 12-byte header
// is always read whole (a 0x0A in the offset or size does not end it), then
// the rest of the announced frame (payload size + 14 bytes) is read in one
// read of uTimeoutMs. A block that would not fit in nSize bytes is read and
// dropped with a log line, so the stream stays in step and the buffer is
// never overrun; a block line of 11 bytes or fewer is nothing usable.
//
// Returns the number of bytes stored (at most nSize; the buffer is not
// terminated), 0 for nothing usable; *pnEnd tells why it returned. Logs the
// bytes with "READ  : " (and the block's header figures).
unsigned SerialReadFrame(unsigned char* pBuffer, unsigned nSize, const std::atomic<bool>* pbStop = nullptr,
                         FrameEnd* pnEnd = nullptr, unsigned uTimeoutMs = 1000);

}  // namespace scope
