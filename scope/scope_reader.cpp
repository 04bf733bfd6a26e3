#include "scope_reader.h"

#include <algorithm>
#include <cstring>

#include "event.h"
#include "log.h"
#include "scope_parse.h"
#include "serial.h"

namespace scope {
namespace {

FrameEnd EndOf(SerialIo io)
{
    return io == SERIAL_IO_HUNGUP ? FRAME_HUNGUP : FRAME_FAILED;
}

bool Stopped(const std::atomic<bool>* pbStop)
{
    return pbStop != nullptr && pbStop->load(std::memory_order_acquire);
}

// Reads and drops uCount bytes within about uTimeoutMs; false when a read failed.
bool Discard(SerialHandle h, unsigned uCount, unsigned uTimeoutMs, SerialIo* pIo)
{
    unsigned char scratch[1024];
    const unsigned long long deadline = TickCountMs() + uTimeoutMs;
    while (uCount > 0) {
        const unsigned long long now = TickCountMs();
        if (now >= deadline)
            return true;
        unsigned got = 0;
        *pIo = SerialPortRead(h, scratch, std::min<unsigned>(uCount, sizeof scratch),
                              static_cast<unsigned>(deadline - now), &got);
        if (*pIo != SERIAL_IO_OK)
            return false;
        uCount -= got;
        if (got == 0)
            return true;
    }
    return true;
}

}  // namespace

unsigned SerialReadFrame(unsigned char* pBuffer, unsigned nSize, const std::atomic<bool>* pbStop, FrameEnd* pnEnd,
                         unsigned uTimeoutMs)
{
    FrameEnd endLocal;
    FrameEnd& end = pnEnd != nullptr ? *pnEnd : endLocal;
    end = FRAME_DONE;
    const SerialHandle h = hSerial.load();
    const unsigned slice = std::min(uTimeoutMs, FRAME_STOP_SLICE_MS);
    unsigned count = 0;
    bool block = false;
    while (count < nSize) {
        unsigned char c = 0;
        unsigned got = 0;
        const SerialIo io = SerialPortRead(h, &c, 1, slice, &got);
        if (io != SERIAL_IO_OK) {
            end = EndOf(io);
            break;
        }
        if (got == 0) {
            if (Stopped(pbStop)) {
                end = FRAME_STOPPED;
                return 0;
            }
            continue;
        }
        pBuffer[count++] = c;
        // Inside a block header a 0x0A is an ordinary byte of the offset or size.
        if (count >= SCOPE_TAG_LENGTH && count <= SCOPE_BLOCK_HEADER && ScopeIsBlock(pBuffer, count)) {
            if (count == SCOPE_BLOCK_HEADER) {
                block = true;
                break;
            }
            continue;
        }
        if (c == '\n')
            break;
    }
    if (end != FRAME_DONE)
        return 0;

    if (!block && ScopeIsBlock(pBuffer, count)) {
        // A tag cut short by a LF or by the buffer size.
        Log("Loading ACQ;BLK; (Sise: %d)...", count);
        LogBuffer("READ  : ", pBuffer, count);
        return 0;
    }
    if (block) {
        Log("Loading ACQ;BLK; (Sise: %d)...", count);
        BlockHeader header;
        ScopeParseBlockHeader(pBuffer, count, &header);
        const unsigned rest = header.uFrameSize - count;
        Log("(Offset: %d, PayloadSize: %d, FrameSize: %d, Rest: %d)", header.uOffset, header.uPayloadSize,
            header.uFrameSize, rest);
        if (header.uFrameSize > nSize) {
            Log("Block dropped: payload of %u bytes does not fit the %u-byte line buffer !", header.uPayloadSize,
                nSize);
            SerialIo io = SERIAL_IO_OK;
            if (!Discard(h, rest, uTimeoutMs, &io)) {
                end = EndOf(io);
                return 0;
            }
            return 0;
        }
        unsigned got = 0;
        const SerialIo io = SerialPortRead(h, pBuffer + count, rest, uTimeoutMs, &got);
        count += got;
        if (io != SERIAL_IO_OK) {
            end = EndOf(io);
            return 0;
        }
    }
    LogBuffer("READ  : ", pBuffer, count);
    return count;
}

}  // namespace scope
