// The serial readers over one read-ahead buffer, in an order the input
// chooses: lines of every buffer size, raw reads, reads until the line is
// quiet, purges, writes that bring the next answer, time-outs. Until the
// first purge every byte handed out must be the line's next byte, with
// only CR dropped and LF ending a line.
#include <cstring>

#include "fake_serial.h"
#include "fuzz_core.h"
#include "fuzz_input.h"
#include "serial.h"

namespace {

constexpr unsigned tSizes[] = {0, 1, 2, 3, 8, 64, 2047, 2048, 2049, 4095, 4096, 4097, 8192};
constexpr size_t SIZE_COUNT = sizeof tSizes / sizeof tSizes[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize);
    FuzzStartRun(in.Flag(0) ? PROGRAM_TERMINAL : PROGRAM_CONFIG, in.Flag(1));
    const std::string ops = in.Segment(0);
    std::vector<std::string> replies;
    for (size_t i = 1; i < in.vSegments.size(); i++)
        replies.push_back(in.vSegments[i]);
    std::string stream;   // everything the line will deliver, in order
    for (const std::string& r : replies)
        stream += r;
    fakeserial::Load(replies, in.Flag(2) ? (in.Flag(3) ? SERIAL_IO_HUNGUP : SERIAL_IO_FAILED) : SERIAL_IO_OK);
    FuzzCheck(SerialOpen(fakeserial::PORT) == 1);

    const unsigned long long start = SerialTrafficSoFar().uRead;
    bool purged = false;
    std::vector<char> buf(8192 + 1);
    for (size_t i = 0; i < ops.size() && i < 512; i++) {
        const auto op = static_cast<uint8_t>(ops[i]);
        const unsigned n = tSizes[(op >> 3) % SIZE_COUNT];
        const size_t offset = SerialTrafficSoFar().uRead - start;
        switch (op & 7) {
        case 0:
        case 1: {
            SerialLineEnd end = SERIAL_LINE_LF;
            const unsigned len = SerialReadLine(buf.data(), n, &end);
            FuzzCheck(n == 0 ? len == 0 : len < n && buf[len] == '\0');
            FuzzCheck(std::memchr(buf.data(), '\r', len) == nullptr && std::memchr(buf.data(), '\n', len) == nullptr);
            FuzzCheck(end != SERIAL_LINE_FULL || n <= 1 || len == n - 1);
            FuzzCheck((end == SERIAL_LINE_FAILED) == (SerialLastReadFailed() == 1));
            FuzzCheck(end != SERIAL_LINE_FAILED || len == 0);
            const size_t consumed = SerialTrafficSoFar().uRead - start - offset;
            if (!purged && end != SERIAL_LINE_FAILED) {
                std::string expected;
                for (size_t k = offset; k < offset + consumed; k++)
                    if (stream[k] != '\r' && stream[k] != '\n')
                        expected += stream[k];
                FuzzCheck(expected == std::string(buf.data(), len));
                FuzzCheck((end == SERIAL_LINE_LF) == (consumed > 0 && stream[offset + consumed - 1] == '\n'));
            }
            break;
        }
        case 2:
        case 3: {
            const unsigned got = (op & 7) == 2 ? SerialRead(buf.data(), n) : SerialReadUntilQuiet(buf.data(), n, 5);
            FuzzCheck(got <= n);
            if (!purged && SerialLastReadFailed() == 0)
                FuzzCheck(stream.compare(offset, got, buf.data(), got) == 0);
            break;
        }
        case 4:
            SerialPurge();
            purged = true;
            break;
        case 5:
        case 6:
            SerialWrite("x\r", 2);
            break;
        default:
            SerialSetTimeout(op >> 3);
            break;
        }
    }
    // The readers never hand out more than the line delivered.
    FuzzCheck(SerialTrafficSoFar().uRead - start <= fakeserial::Delivered());
    SerialClose();
    bLogEnabled = 0;
    return 0;
}
