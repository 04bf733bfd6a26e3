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
#include <string>

constexpr size_t SENSOR_RESULT_SIZE = 2048;   // result buffer of an exchange
constexpr size_t SENSOR_COMMAND_MAX = 2046;   // longest command text

// Result text of an exchange whose command holds CR, LF or NUL.
extern const char SENSOR_REFUSED_COMMAND[];

// A command is one line: a CR or LF inside it would make the sensor take
// the rest as a second command, and a zero byte would cut it short. Every
// exchange refuses such a command before anything is written, and every
// wrapper refuses such a key, value or password with a message of its own.
// 1 when the uLength bytes at pText may go into a command. Callers that hold
// text with a length (file lines, text boxes) check it here before passing
// it on as a C string, which would lose everything after a zero byte.
int SensorTextFitsCommand(const void* pText, size_t uLength);

// How SensorWakeup ends. The programs use their profile's full sequence;
// the command line tool asks for the quick one.
enum SensorWakeupMode {
    SENSOR_WAKEUP_FULL = 0,   // every "wakeup!" of the profile, each read to its time-out
    SENSOR_WAKEUP_QUICK,      // ends once the console has answered a "wakeup!" with a line
};
void SensorSetWakeupMode(SensorWakeupMode nMode);
SensorWakeupMode SensorGetWakeupMode();

// Quick wake-up: an answer is taken as complete once the line has been
// silent this long after it.
constexpr unsigned SENSOR_WAKEUP_QUIET_MS = 50;

// "wakeup!" and CR, as many times as the program's profile says, each
// followed by one read that is dropped; then both directions are purged.
// In the quick mode the read ends once the answer is over, and the
// repetitions end after the first answer that holds a line end: a sleeping
// or absent sensor still gets the profile's full count. Reports "Could not
// write to serial port !".
int SensorWakeup();

// One exchange in the program's form. szResult (uResultSize bytes) receives
// the value after the first "=" of the status line, or a reason text:
// "Serial port write error", "Command too long, not sent" (more than
// SENSOR_COMMAND_MAX bytes), "Serial port read error", "Bad echo size
// received", "Bad echo received", "Bad echo terminator received" (single-read
// form), "Bad response status code", "Response too long" (a status line of
// more than SENSOR_RESULT_SIZE - 1 bytes), SENSOR_REFUSED_COMMAND (nothing
// was written). In the line-by-line form an echo or status line that did
// not end with its line end (the time-out struck) is a read error. Returns
// 1 when the status line begins with "OK".
int SensorCmd(const char* szCmd, char* szResult, size_t uResultSize = SENSOR_RESULT_SIZE);

// 1 when the calling thread's last SensorCmd read the sensor's whole status
// line (a refusal is then the sensor's answer, not a fault of the line), 0
// when it failed before (nothing written, a read error, a bad echo).
int SensorLastAnswered();

// A value as failure messages quote it: its first 40 characters followed
// by "..." when it is longer, so that the reason after it always shows.
std::string SensorShortValue(const char* szValue);

// The two exchange forms, for programs and tests that name one explicitly.
int SensorCmdLines(const char* szCmd, char* szResult, size_t uResultSize);
int SensorCmdSingle(const char* szCmd, char* szResult, size_t uResultSize);

// "config": the text between the first blank line and the next one, taken
// from one read, cut to uDestSize - 1 bytes. Reports "Could not write to
// serial port !" or "Could not read from serial port !"; a uDestSize of 0 is
// refused with a message before anything is sent.
int SensorCmdConfig(char* szDest, size_t uDestSize);

// The admin exchange is traced with the password masked.
int SensorCmdAdmin(const char* szPassword);
int SensorCmdReset();
int SensorCmdReboot();
int SensorCmdScopeMode();
int SensorCmdSet(const char* szLabel, const char* szKey, const char* szValue);
// szValue receives the value (uValueSize bytes, at least SENSOR_RESULT_SIZE
// to hold any value; 0 is refused with a message before anything is sent).
int SensorCmdGet(const char* szLabel, const char* szKey, char* szValue,
                 size_t uValueSize = SENSOR_RESULT_SIZE);
// Stores the announced record count (decimal, 0 when there are no digits).
int SensorCmdLoggerDownload(int* pnCount);
int SensorCmdLoggerClear();

// Decimal conversion used for every number the sensor sends: leading blanks
// and a sign accepted, stops at the first non-digit, no digits give 0,
// saturates at the int range.
int SensorToInt(const char* szText);
