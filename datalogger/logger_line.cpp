#include "logger_line.h"

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

int LoggerReadLine(char* szLine, unsigned uSize, long long iExpected, unsigned* puLength)
{
    const char* prefix = CurrentProfile().szFailPrefix;
    SerialLineEnd end = SERIAL_LINE_LF;
    const unsigned length = SerialReadLine(szLine, uSize, &end);
    if (length == 0)
        return Error("%sSerial port read error", prefix);
    int number = 0;
    if (!LoggerLineNumber(szLine, length, &number))
        return Error("%sBad line format", prefix);
    if (number != iExpected)
        return Error("%sData missed (wait: %lld, found: %d)", prefix, iExpected + 1, number);
    // A line the time-out cut (a sensor that stopped mid-record), or one
    // longer than the buffer, is not a record: it would end the file with a
    // cut record.
    if (end != SERIAL_LINE_LF)
        return Error("%sSerial port read error", prefix);
    *puLength = length;
    return 1;
}
