// The configuration listing: one read of the sensor's answer, the text
// between the first blank line and the next, cut to the caller's buffer.
#include <cstring>

#include "fake_serial.h"
#include "fuzz_core.h"
#include "fuzz_input.h"
#include "serial.h"

namespace {

constexpr size_t tDestSizes[] = {1, 2, 16, 2048, 2049, 8192, 8193, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize);
    FuzzStartRun(in.Flag(0) ? PROGRAM_SCOPE : PROGRAM_CONFIG, in.Flag(1));
    const std::string answer = in.Segment(0);
    fakeserial::Load({answer}, in.Flag(2) ? SERIAL_IO_FAILED : SERIAL_IO_OK);
    FuzzCheck(SerialOpen(fakeserial::PORT) == 1);
    const size_t size = tDestSizes[(in.uFlags >> 3) & 7];
    std::vector<char> dest(size + 1, 'x');
    const int ok = SensorCmdConfig(dest.data(), size);
    SerialClose();
    bLogEnabled = 0;
    if (!ok)
        return 0;
    FuzzCheck(size > 0);
    const size_t len = strnlen(dest.data(), size);
    FuzzCheck(len < size);
    const std::string listing(dest.data(), len);
    FuzzCheck(listing.find("\r\n\r\n") == std::string::npos);
    // What it shows is the sensor's text, from within what one read took.
    FuzzCheck(answer.find(listing) != std::string::npos);
    return 0;
}
