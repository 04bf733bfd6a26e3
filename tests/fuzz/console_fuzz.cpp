// The console exchange and every wrapper against a line that answers
// anything, in the program forms (line by line, single read), with either
// wake-up and result buffers down to nothing. The input's first segment is
// the text a user or file would supply (command, key, value, password);
// the others are the sensor's answers. Whatever the text, every block
// written must be one command line: CR at its end and nowhere else, no LF
// or NUL.
#include <cstring>

#include "fake_serial.h"
#include "fuzz_core.h"
#include "fuzz_input.h"
#include "serial.h"

namespace {

constexpr Program tPrograms[] = {PROGRAM_CONFIG, PROGRAM_SCOPE, PROGRAM_DATALOGGER, PROGRAM_TERMINAL};
constexpr size_t tResultSizes[] = {0, 1, 16, SENSOR_RESULT_SIZE};
constexpr SerialIo tAtEnd[] = {SERIAL_IO_OK, SERIAL_IO_OK, SERIAL_IO_FAILED, SERIAL_IO_HUNGUP};

void CheckTerminated(const char* szText, size_t uSize)
{
    if (uSize > 0)
        FuzzCheck(std::memchr(szText, '\0', uSize) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize);
    FuzzStartRun(tPrograms[in.uFlags & 3], in.Flag(3));
    if (in.Flag(2))
        SensorSetWakeupMode(SENSOR_WAKEUP_QUICK);
    const std::string text = in.Segment(0);
    std::vector<std::string> answers;
    for (size_t i = 1; i < in.vSegments.size(); i++)
        answers.push_back(in.vSegments[i]);
    fakeserial::Load(answers, tAtEnd[(in.uFlags >> 4) & 3]);
    FuzzCheck(SerialOpen(fakeserial::PORT) == 1);

    const size_t size = tResultSizes[(in.uFlags >> 6) & 3];
    std::vector<char> result(size + 1, 'x');
    SensorWakeup();
    SensorCmd(text.c_str(), result.data(), size);
    CheckTerminated(result.data(), size);
    SensorCmdGet("Label", text.c_str(), result.data(), size);
    CheckTerminated(result.data(), size);
    SensorCmdSet("Label", "key", text.c_str());
    SensorCmdSet("Label", text.c_str(), "1");
    SensorCmdAdmin(text.c_str());
    int count = 0;
    SensorCmdLoggerDownload(&count);
    SensorCmdReset();
    SensorCmdReboot();
    SensorCmdScopeMode();
    SensorCmdLoggerClear();
    SensorCmdConfig(result.data(), size);
    CheckTerminated(result.data(), size);
    SerialClose();
    bLogEnabled = 0;

    for (const std::string& block : fakeserial::Writes()) {
        FuzzCheck(!block.empty() && block.back() == '\r');
        FuzzCheck(block.find_first_of(std::string("\r\n\0", 3)) == block.size() - 1);
    }
    return 0;
}
