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

// Where the next block may begin in the bytes after the first: the
// position of a "ACQ;BLK;" tag, or of a tail that could begin one; uCount
// when there is none.
unsigned NextTag(const unsigned char* pBytes, unsigned uCount)
{
    for (unsigned i = 1; i < uCount; i++) {
        const unsigned n = std::min<unsigned>(uCount - i, static_cast<unsigned>(SCOPE_TAG_LENGTH));
        if (std::memcmp(pBytes + i, SCOPE_BLOCK_TAG, n) == 0)
            return i;
    }
    return uCount;
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
    for (;;) {
        // After a dropped block the buffer may already hold the next one's header.
        bool block = count >= SCOPE_BLOCK_HEADER && ScopeIsBlock(pBuffer, count);
        while (!block && count < nSize) {
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
                block = count == SCOPE_BLOCK_HEADER;
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
        if (!block) {
            LogBuffer("READ  : ", pBuffer, count);
            return count;
        }

        Log("Loading ACQ;BLK; (Sise: %d)...", count);
        BlockHeader header;
        ScopeParseBlockHeader(pBuffer, count, &header);
        const unsigned rest = header.uFrameSize > count ? header.uFrameSize - count : 0;
        Log("(Offset: %d, PayloadSize: %d, FrameSize: %d, Rest: %d)", header.uOffset, header.uPayloadSize,
            header.uFrameSize, rest);
        if (header.uFrameSize > nSize) {
            Log("Block dropped: payload of %u bytes does not fit the %u-byte line buffer !", header.uPayloadSize,
                nSize);
            SerialIo io = SERIAL_IO_OK;
            if (!Discard(h, rest, uTimeoutMs, &io))
                end = EndOf(io);
            return 0;
        }
        unsigned got = 0;
        const SerialIo io = rest > 0 ? SerialPortRead(h, pBuffer + count, rest, uTimeoutMs, &got) : SERIAL_IO_OK;
        count += got;
        if (io != SERIAL_IO_OK) {
            end = EndOf(io);
            return 0;
        }
        LogBuffer("READ  : ", pBuffer, count);
        const BlockCheck check = ScopeCheckBlock(pBuffer, count);
        if (check == BLOCK_WHOLE)
            return count;
        // A block that came short was completed from what followed it: drop
        // it, and go on from the next header found in its bytes, so the
        // block behind it is not lost too.
        const unsigned next = NextTag(pBuffer, count);
        Log("Block dropped (%s): %u of %u bytes%s !", ScopeBlockCheckText(check), count, header.uFrameSize,
            next < count ? ", next block header found in them" : "");
        if (next >= count)
            return 0;
        std::memmove(pBuffer, pBuffer + next, count - next);
        count -= next;
    }
}

}  // namespace scope
