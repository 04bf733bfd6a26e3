// The sensor console: wake-up, one command exchange, the configuration
// listing, and one wrapper per command that reports its own failure.
//
// Order expected by the sensor: set a time-out, SensorWakeup, set the
// time-out for commands, then any number of exchanges, strictly one after
// another on one thread. Every function returns 1 on success and 0 on
// failure; the wrappers have shown the failure (program's prefix plus their
// text) through Error when they return 0; SensorCmd reports nothing.
#pragma once

#include <cstddef>

constexpr size_t SENSOR_RESULT_SIZE = 2048;   // result buffer of an exchange
constexpr size_t SENSOR_COMMAND_MAX = 2046;   // longest command text

// "wakeup!" and CR, as many times as the program's profile says, each
// followed by one read that is dropped; then both directions are purged.
// Reports "Could not write to serial port !".
int SensorWakeup();

// One exchange in the program's form. szResult (uResultSize bytes) receives
// the value after the first "=" of the status line, or a reason text:
// "Serial port write error", "Serial port read error", "Bad echo size
// received", "Bad echo received", "Bad echo terminator received" (single-read
// form), "Bad response status code". Returns 1 when the status line begins
// with "OK".
int SensorCmd(const char* szCmd, char* szResult, size_t uResultSize = SENSOR_RESULT_SIZE);

// The two exchange forms, for programs and tests that name one explicitly.
int SensorCmdLines(const char* szCmd, char* szResult, size_t uResultSize);
int SensorCmdSingle(const char* szCmd, char* szResult, size_t uResultSize);

// "config": the text between the first blank line and the next one, taken
// from one read. Reports "Could not write to serial port !" or "Could not
// read from serial port !".
int SensorCmdConfig(char* szDest, size_t uDestSize);

int SensorCmdAdmin(const char* szPassword);
int SensorCmdReset();
int SensorCmdReboot();
int SensorCmdScopeMode();
int SensorCmdSet(const char* szLabel, const char* szKey, const char* szValue);
// szValue receives the value (uValueSize bytes, at least SENSOR_RESULT_SIZE
// to hold any value).
int SensorCmdGet(const char* szLabel, const char* szKey, char* szValue,
                 size_t uValueSize = SENSOR_RESULT_SIZE);
// Stores the announced record count (decimal, 0 when there are no digits).
int SensorCmdLoggerDownload(int* pnCount);
int SensorCmdLoggerClear();

// Decimal conversion used for every number the sensor sends: leading blanks
// and a sign accepted, stops at the first non-digit, no digits give 0,
// saturates at the int range.
int SensorToInt(const char* szText);
