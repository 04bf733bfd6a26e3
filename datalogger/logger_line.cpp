#include "logger_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "log.h"
#include "sensor.h"
#include "serial.h"

int LoggerPercent(int nUsage, int nCapacity)
{
    if (nCapacity <= 0)
        return 0;
    const long long percent = static_cast<long long>(nUsage) * 100 / nCapacity;
    if (percent > 0x7FFFFFFFLL)
        return 0x7FFFFFFF;
    if (percent < -0x7FFFFFFFLL - 1)
        return -0x7FFFFFFF - 1;
    return static_cast<int>(percent);
}

void LoggerMeasureText(char* szText, size_t uSize, int nUsage, int nCapacity, bool bOff)
{
    if (bOff)
        std::snprintf(szText, uSize, "Unknown");
    else
        std::snprintf(szText, uSize, "%u / %u (%u%%)", static_cast<unsigned>(nUsage), static_cast<unsigned>(nCapacity),
                      static_cast<unsigned>(LoggerPercent(nUsage, nCapacity)));
}

int LoggerLineNumber(const char* szLine, size_t uLength, int* pnNumber)
{
    const void* separator = std::memchr(szLine, ';', uLength);
    if (separator == nullptr)
        return 0;
    size_t fieldLength = static_cast<size_t>(static_cast<const char*>(separator) - szLine);
    if (fieldLength > LOGGER_FIELD_SIZE - 1)
        fieldLength = LOGGER_FIELD_SIZE - 1;
    char szField[LOGGER_FIELD_SIZE];
    std::memcpy(szField, szLine, fieldLength);
    szField[fieldLength] = '\0';
    *pnNumber = szField[0] == '#' ? 0 : SensorToInt(szField);
    return 1;
}

namespace {

// The console's failure prefix and the reason: into szWhy when the caller
// gave one, else reported.
int LineFailure(char* szWhy, size_t uWhySize, const char* szFormat, ...) __attribute__((format(printf, 3, 4)));
int LineFailure(char* szWhy, size_t uWhySize, const char* szFormat, ...)
{
    char reason[128];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(reason, sizeof reason, szFormat, args);
    va_end(args);
    if (szWhy != nullptr && uWhySize > 0)
        std::snprintf(szWhy, uWhySize, "%s%s", CurrentProfile().szFailPrefix, reason);
    else
        Error("%s%s", CurrentProfile().szFailPrefix, reason);
    return 0;
}

}  // namespace

int LoggerReadLine(char* szLine, unsigned uSize, long long iExpected, unsigned* puLength, char* szWhy,
                   size_t uWhySize)
{
    SerialLineEnd end = SERIAL_LINE_LF;
    const unsigned length = SerialReadLine(szLine, uSize, &end);
    if (length == 0)
        return LineFailure(szWhy, uWhySize, "Serial port read error");
    int number = 0;
    if (!LoggerLineNumber(szLine, length, &number))
        return LineFailure(szWhy, uWhySize, "Bad line format");
    if (number != iExpected)
        return LineFailure(szWhy, uWhySize, "Data missed (wait: %lld, found: %d)", iExpected + 1, number);
    // A line the time-out cut (a sensor that stopped mid-record), or one
    // longer than the buffer, is not a record: it would end the file with a
    // cut record.
    if (end != SERIAL_LINE_LF)
        return LineFailure(szWhy, uWhySize, "Serial port read error");
    *puLength = length;
    return 1;
}
