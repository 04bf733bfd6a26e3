// The logger's data: the fill level shown in the window and the download
// lines, checked one at a time as they come off the line.
#pragma once

#include <cstddef>

constexpr unsigned LOGGER_LINE_SIZE = 2048;   // one download line and its terminator
constexpr size_t LOGGER_FIELD_SIZE = 512;     // first field copy, terminator included

// Fill level in percent: usage * 100 / capacity, truncated; 0 when the
// capacity is 0 or negative. Computed in 64 bits so that large loggers do
// not overflow; the result is cut to the int range.
int LoggerPercent(int nUsage, int nCapacity);

// The Measure text: "%u / %u (%u%%)" with usage, capacity and percent, or
// "Unknown" when the logger is off.
void LoggerMeasureText(char* szText, size_t uSize, int nUsage, int nCapacity, bool bOff);

// Record number of a download line of uLength bytes: the first field (text
// before the first ';', bounded to LOGGER_FIELD_SIZE - 1 bytes) counts as 0
// when it begins with '#', else it is converted as a decimal integer.
// Returns 0 when the line holds no ';' (malformed), else 1.
int LoggerLineNumber(const char* szLine, size_t uLength, int* pnNumber);

// Reads download line number iExpected (0: the heading) with the line
// reader under the current time-out, and checks it: something came, it holds
// a ';', its number is iExpected, and it ended with its line end. On failure
// reports the console's failure prefix followed by "Bad line format",
// "Data missed (wait: %d, found: %d)" or, for a line that did not come or
// did not come whole (cut by the time-out, longer than uSize - 1 bytes),
// "Serial port read error", and returns 0. On success returns 1 with the
// line (terminated) in szLine and its length in *puLength.
// With szWhy (uWhySize bytes), a failure's text is put there instead of
// being reported, for a caller that adds to it what the failure left.
int LoggerReadLine(char* szLine, unsigned uSize, long long iExpected, unsigned* puLength, char* szWhy = nullptr,
                   size_t uWhySize = 0);
