// The logger's lines: the record number of a line, the fill level and its
// text, and the download lines read and checked off a line that sends
// anything, with line buffers down to one byte.
#include <climits>
#include <cstring>

#include "fake_serial.h"
#include "fuzz_core.h"
#include "fuzz_input.h"
#include "logger_line.h"
#include "serial.h"

namespace {

constexpr unsigned tLineSizes[] = {LOGGER_LINE_SIZE, 1, 2, 16, 600, 2047, 2049, LOGGER_LINE_SIZE};
constexpr size_t tTextSizes[] = {64, 1, 2, 8, 16, 17, 32, 64};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize);
    FuzzStartRun(PROGRAM_DATALOGGER, in.Flag(0));

    // One line on its own: a ';' decides whether it has a number.
    const std::string line = in.Segment(0);
    int number = -1;
    const int hasNumber = LoggerLineNumber(line.data(), line.size(), &number);
    FuzzCheck(hasNumber == (line.find(';') != std::string::npos ? 1 : 0));

    // Fill level of two numbers as the sensor sends them.
    const int usage = SensorToInt(in.Segment(1).c_str());
    const int capacity = SensorToInt(in.Segment(2).c_str());
    const int percent = LoggerPercent(usage, capacity);
    if (capacity <= 0)
        FuzzCheck(percent == 0);
    else
        FuzzCheck(percent == static_cast<int>(std::max<long long>(
                                 INT_MIN, std::min<long long>(INT_MAX, static_cast<long long>(usage) * 100 / capacity))));
    const size_t textSize = tTextSizes[(in.uFlags >> 1) & 7];
    std::vector<char> text(textSize + 1, 'x');
    LoggerMeasureText(text.data(), textSize, usage, capacity, in.Flag(4));
    FuzzCheck(std::memchr(text.data(), '\0', textSize) != nullptr);

    // A download stream, line by line, until a line fails its checks.
    std::vector<std::string> stream;
    for (size_t i = 3; i < in.vSegments.size(); i++)
        stream.push_back(in.vSegments[i]);
    fakeserial::Load(stream, in.Flag(5) ? SERIAL_IO_HUNGUP : SERIAL_IO_OK);
    FuzzCheck(SerialOpen(fakeserial::PORT) == 1);
    SerialWrite("logger download\r", 16);
    const unsigned size = tLineSizes[(in.uFlags >> 5) & 7];
    std::vector<char> buffer(size);
    for (long long i = 0; i < 1000; i++) {
        unsigned length = 0;
        if (!LoggerReadLine(buffer.data(), size, i, &length))
            break;
        FuzzCheck(length < size && buffer[length] == '\0');
        FuzzCheck(LoggerLineNumber(buffer.data(), length, &number) == 1 && number == i);
        // The next part of the stream comes with the next "write".
        if (in.Flag(6))
            SerialWrite("\r", 1);
    }
    SerialClose();
    bLogEnabled = 0;
    return 0;
}
