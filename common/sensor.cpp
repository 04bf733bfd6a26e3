#include "sensor.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "log.h"
#include "serial.h"

namespace {

constexpr char CR = 13;
constexpr char LF = 10;

void SetResult(char* szResult, size_t uResultSize, const char* szText)
{
    if (uResultSize > 0)
        std::snprintf(szResult, uResultSize, "%s", szText);
}

// Copies at most uLength bytes of szFrom, cut at the first CR when bCutAtCr.
void CopyValue(char* szResult, size_t uResultSize, const char* szFrom, size_t uLength, bool bCutAtCr)
{
    if (uResultSize == 0)
        return;
    if (bCutAtCr) {
        const void* cr = std::memchr(szFrom, CR, uLength);
        if (cr != nullptr)
            uLength = static_cast<size_t>(static_cast<const char*>(cr) - szFrom);
    }
    if (uLength > uResultSize - 1)
        uLength = uResultSize - 1;
    std::memcpy(szResult, szFrom, uLength);
    szResult[uLength] = '\0';
}

std::atomic<int> nWakeupMode{SENSOR_WAKEUP_FULL};

// Set by an exchange that read the sensor's whole status line.
thread_local bool bLastAnswered = false;

constexpr size_t SHORT_VALUE_MAX = 40;

// Command text plus CR; false when the command is too long to send.
bool FormCommand(const char* szCmd, std::vector<char>& line)
{
    size_t len = std::strlen(szCmd);
    if (len > SENSOR_COMMAND_MAX)
        return false;
    line.assign(szCmd, szCmd + len);
    line.push_back(CR);
    return true;
}

bool FitsCommand(const char* szText)
{
    return SensorTextFitsCommand(szText, std::strlen(szText)) == 1;
}

// Reports a key, value or password that cannot go into a command line.
// A password is not shown. Returns 0.
int RefuseText(const char* szWhat, const char* szText)
{
    if (szText == nullptr)
        return Error("Refused to send the %s to the sensor: it holds a carriage return, line feed or zero "
                     "byte !",
                     szWhat);
    return Error("Refused to send the %s '%s' to the sensor: it holds a carriage return, line feed or zero "
                 "byte !",
                 szWhat, LogPrintable(szText, std::strlen(szText), 64).c_str());
}


// One command without a value; a failure is shown as the program's prefix,
// the command's text, a line break, the reason and " !".
int CommandOrReport(const char* szCmd, const char* szWhat)
{
    char result[SENSOR_RESULT_SIZE];
    if (SensorCmd(szCmd, result, sizeof result))
        return 1;
    return Error("%s%s\n%s !", CurrentProfile().szFailPrefix, szWhat, result);
}

}  // namespace

const char SENSOR_REFUSED_COMMAND[] = "Command holds CR, LF or NUL, not sent";

int SensorTextFitsCommand(const void* pText, size_t uLength)
{
    const auto* p = static_cast<const unsigned char*>(pText);
    for (size_t i = 0; i < uLength; i++) {
        if (p[i] == CR || p[i] == LF || p[i] == '\0')
            return 0;
    }
    return 1;
}

void SensorSetWakeupMode(SensorWakeupMode nMode)
{
    nWakeupMode = nMode;
}

SensorWakeupMode SensorGetWakeupMode()
{
    return static_cast<SensorWakeupMode>(nWakeupMode.load());
}

int SensorToInt(const char* szText)
{
    errno = 0;
    long v = std::strtol(szText, nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

int SensorWakeup()
{
    const ProgramProfile& p = CurrentProfile();
    char wake[9];
    std::snprintf(wake, sizeof wake, "wakeup!%c", CR);
    std::vector<char> scratch(p.uWakeupReadSize);
    const unsigned size = static_cast<unsigned>(scratch.size());
    const bool quick = SensorGetWakeupMode() == SENSOR_WAKEUP_QUICK;
    unsigned count = p.uWakeupCount > 0 ? p.uWakeupCount : 1;
    for (unsigned i = 0; i < count; i++) {
        if (!SerialWrite(wake, 8))
            return Error("Could not write to serial port !");
        if (!quick) {
            SerialRead(scratch.data(), size);
            continue;
        }
        const unsigned got = SerialReadUntilQuiet(scratch.data(), size, SENSOR_WAKEUP_QUIET_MS);
        if (std::memchr(scratch.data(), LF, got) != nullptr)
            break;
    }
    SerialPurge();
    return 1;
}

int SensorCmdLines(const char* szCmd, char* szResult, size_t uResultSize)
{
    SetResult(szResult, uResultSize, "");
    bLastAnswered = false;
    if (!FitsCommand(szCmd)) {
        SetResult(szResult, uResultSize, SENSOR_REFUSED_COMMAND);
        return 0;
    }
    std::vector<char> cmd;
    if (!FormCommand(szCmd, cmd)) {
        SetResult(szResult, uResultSize, "Command too long, not sent");
        return 0;
    }
    if (!SerialWrite(cmd.data(), static_cast<unsigned>(cmd.size()))) {
        SetResult(szResult, uResultSize, "Serial port write error");
        return 0;
    }
    char line[SERIAL_LINE_SIZE];
    SerialLineEnd end = SERIAL_LINE_LF;
    unsigned len = SerialReadLine(line, sizeof line, &end);
    if (len == 0) {
        SetResult(szResult, uResultSize, "Serial port read error");
        return 0;
    }
    const size_t cmdLen = cmd.size() - 1;
    if (len != cmdLen) {
        SetResult(szResult, uResultSize, "Bad echo size received");
        return 0;
    }
    if (std::memcmp(line, szCmd, cmdLen) != 0) {
        SetResult(szResult, uResultSize, "Bad echo received");
        return 0;
    }
    // An echo that the time-out cut is not the sensor's whole line.
    if (end != SERIAL_LINE_LF) {
        SetResult(szResult, uResultSize, "Serial port read error");
        return 0;
    }
    len = SerialReadLine(line, sizeof line, &end);
    if (len == 0) {
        SetResult(szResult, uResultSize, "Serial port read error");
        return 0;
    }
    if (len <= 1) {
        SetResult(szResult, uResultSize, "Bad response status code");
        return 0;
    }
    // A cut status line would pass a cut value off as the sensor's; the
    // rest of an overlong one would be taken for the next echo.
    if (end == SERIAL_LINE_FULL) {
        SetResult(szResult, uResultSize, "Response too long");
        return 0;
    }
    if (end != SERIAL_LINE_LF) {
        SetResult(szResult, uResultSize, "Serial port read error");
        return 0;
    }
    if (const char* eq = std::strchr(line, '='))
        CopyValue(szResult, uResultSize, eq + 1, len - static_cast<size_t>(eq + 1 - line), false);
    bLastAnswered = true;
    return line[0] == 'O' && line[1] == 'K' ? 1 : 0;
}

int SensorCmdSingle(const char* szCmd, char* szResult, size_t uResultSize)
{
    constexpr unsigned READ_SIZE = 8192;
    SetResult(szResult, uResultSize, "");
    bLastAnswered = false;
    if (!FitsCommand(szCmd)) {
        SetResult(szResult, uResultSize, SENSOR_REFUSED_COMMAND);
        return 0;
    }
    std::vector<char> cmd;
    if (!FormCommand(szCmd, cmd)) {
        SetResult(szResult, uResultSize, "Command too long, not sent");
        return 0;
    }
    if (!SerialWrite(cmd.data(), static_cast<unsigned>(cmd.size()))) {
        SetResult(szResult, uResultSize, "Serial port write error");
        return 0;
    }
    const size_t n = cmd.size();
    std::vector<char> answer(READ_SIZE + 1);
    unsigned got = SerialRead(answer.data(), READ_SIZE);
    answer[got] = '\0';
    if (got == 0) {
        SetResult(szResult, uResultSize, "Serial port read error");
        return 0;
    }
    if (got < n + 1) {
        SetResult(szResult, uResultSize, "Bad echo size received");
        return 0;
    }
    if (std::memcmp(answer.data(), cmd.data(), n) != 0) {
        SetResult(szResult, uResultSize, "Bad echo received");
        return 0;
    }
    if (answer[n] != LF) {
        SetResult(szResult, uResultSize, "Bad echo terminator received");
        return 0;
    }
    // The status text runs to the end of what was read (a zero byte ends it
    // early, as text).
    const char* status = answer.data() + n + 1;
    size_t statusLen = std::strlen(status);
    if (statusLen <= 1) {
        SetResult(szResult, uResultSize, "Bad response status code");
        return 0;
    }
    if (const char* eq = std::strchr(status, '='))
        CopyValue(szResult, uResultSize, eq + 1, statusLen - static_cast<size_t>(eq + 1 - status), true);
    bLastAnswered = true;
    return status[0] == 'O' && status[1] == 'K' ? 1 : 0;
}

int SensorLastAnswered()
{
    return bLastAnswered ? 1 : 0;
}

std::string SensorShortValue(const char* szValue)
{
    const size_t len = std::strlen(szValue);
    if (len <= SHORT_VALUE_MAX)
        return szValue;
    return std::string(szValue, SHORT_VALUE_MAX) + "...";
}

int SensorCmd(const char* szCmd, char* szResult, size_t uResultSize)
{
    if (CurrentProfile().nConsoleForm == CONSOLE_SINGLE)
        return SensorCmdSingle(szCmd, szResult, uResultSize);
    return SensorCmdLines(szCmd, szResult, uResultSize);
}

int SensorCmdConfig(char* szDest, size_t uDestSize)
{
    const unsigned readSize = CurrentProfile().uConfigReadSize;
    if (uDestSize == 0)
        return Error("Could not read the configuration: no room for it !");
    char cmd[8];
    std::snprintf(cmd, sizeof cmd, "config%c", CR);
    if (!SerialWrite(cmd, 7))
        return Error("Could not write to serial port !");
    std::vector<char> answer(readSize + 1);
    unsigned got = SerialRead(answer.data(), readSize);
    if (got == 0)
        return Error("Could not read from serial port !");
    answer[got] = '\0';
    const char* start = std::strstr(answer.data(), "\r\n\r\n");
    start = start != nullptr ? start + 4 : answer.data();
    size_t len = std::strlen(start);
    if (const char* end = std::strstr(start, "\r\n\r\n"))
        len = static_cast<size_t>(end - start);
    CopyValue(szDest, uDestSize, start, len, false);
    return 1;
}

int SensorCmdAdmin(const char* szPassword)
{
    if (!FitsCommand(szPassword))
        return RefuseText("password", nullptr);
    char cmd[SENSOR_RESULT_SIZE + 16];
    char result[SENSOR_RESULT_SIZE];
    std::snprintf(cmd, sizeof cmd, "admin %s", szPassword);
    // The command and its echo would show the factory password in the log.
    SerialSetTraceMask(szPassword);
    const int ok = SensorCmd(cmd, result, sizeof result);
    SerialSetTraceMask(nullptr);
    if (ok)
        return 1;
    return Error("%sCould not unlock factory parameters\n%s !", CurrentProfile().szFailPrefix, result);
}

int SensorCmdReset()
{
    return CommandOrReport("reset confirm", "Could not reset sensor parameters");
}

int SensorCmdReboot()
{
    return CommandOrReport("reboot", "Could not reboot sensor");
}

int SensorCmdScopeMode()
{
    return CommandOrReport("scopemode", "Could not set sensor in scopemode");
}

int SensorCmdSet(const char* szLabel, const char* szKey, const char* szValue)
{
    if (!FitsCommand(szKey))
        return RefuseText("parameter key", szKey);
    if (!FitsCommand(szValue))
        return RefuseText("parameter value", szValue);
    char cmd[SENSOR_RESULT_SIZE + 16];
    char result[SENSOR_RESULT_SIZE];
    std::snprintf(cmd, sizeof cmd, "set %s %s", szKey, szValue);
    if (SensorCmd(cmd, result, sizeof result))
        return 1;
    return Error("%sCould not set parameter '%s' (%s=%s)\n%s !", CurrentProfile().szFailPrefix,
                 szLabel, szKey, SensorShortValue(szValue).c_str(), result);
}

int SensorCmdGet(const char* szLabel, const char* szKey, char* szValue, size_t uValueSize)
{
    // The failure message shows the reason left in szValue: it needs room
    // for at least its terminator.
    if (uValueSize == 0)
        return Error("Could not get parameter '%s' (%s): no room for its value !", szLabel, szKey);
    if (!FitsCommand(szKey))
        return RefuseText("parameter key", szKey);
    char cmd[SENSOR_RESULT_SIZE + 16];
    std::snprintf(cmd, sizeof cmd, "get %s", szKey);
    if (SensorCmd(cmd, szValue, uValueSize))
        return 1;
    return Error("%sCould not get parameter '%s' (%s)\n%s !", CurrentProfile().szFailPrefix, szLabel,
                 szKey, szValue);
}

int SensorCmdLoggerDownload(int* pnCount)
{
    char result[SENSOR_RESULT_SIZE];
    if (SensorCmd("logger download", result, sizeof result)) {
        *pnCount = SensorToInt(result);
        return 1;
    }
    return Error("%sCould not start datalogger download\n%s !", CurrentProfile().szFailPrefix, result);
}

int SensorCmdLoggerClear()
{
    return CommandOrReport("logger clear confirm", "Could not clear datalogger data");
}
