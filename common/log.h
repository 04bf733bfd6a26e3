// Trace log and the three user reporters.
//
// While bLogEnabled is 1, every line goes to szLogFile with one
// open-write-close per call, so the file holds everything up to the last
// completed call and other programs may read or delete it at any time.
// All functions here may be called from the window thread and from the
// program's one worker thread at the same time.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "appframe.h"

extern std::atomic<int> bLogEnabled;

// A log file of this name is standard error (varn --log -).
constexpr const char LOG_FILE_STANDARD_ERROR[] = "-";

// Appends the formatted text and one line end to szLogFile. Does nothing
// while logging is off. The log is opened without following a symbolic
// link and must be a plain file (or a character device such as /dev/null);
// a log that cannot be written drops the line, and the failure is shown
// once through Warning ("Could not write to log file '%s' (%s) !"), again
// only for another file or after a line has been written since. Always
// returns 1.
int Log(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));

// Appends "label", the bytes (printable ASCII as is, every other byte as
// "<0xHH>"), then " (N bytes)" and a line end.
void LogBuffer(const char* szLabel, const void* pBuffer, unsigned uSize);

// Formats the dump part of LogBuffer (bytes and the count) into text; used by
// LogBuffer and by tools that print traffic.
void LogFormatBytes(char* szOut, size_t uOutSize, const void* pBuffer, unsigned uSize);

// The bytes as a dump shows them (printable ASCII as is, every other byte as
// "<0xHH>"), without the count; after uMaxChars characters the rest is
// left out and "..." ends the text. For messages that show outside text.
std::string LogPrintable(const void* pBuffer, size_t uSize, size_t uMaxChars);

// The reporters: format (bounded by the program's message size, longer texts
// are cut), log as "ERROR : %s" / "WARNING : %s" / "INFO : %s", then show the
// text through the message handler. Always return 0, so a failing step can
// "return Error(...)".
int Error(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));
int Warning(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));
int Info(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));

enum MessageKind { MESSAGE_ERROR = 0, MESSAGE_WARNING, MESSAGE_INFO };

// Shows one reporter text to the user and returns when the user has seen it.
// The default writes "ERROR : text" (etc.) to standard error; the desktop
// layer installs message boxes, tests install recorders.
using MessageFn = void (*)(MessageKind nKind, const char* szText);
void SetMessageHandler(MessageFn pfn);
MessageFn GetMessageHandler();
