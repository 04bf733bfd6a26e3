// The terminal's options and their settings file "VARN-Terminal.ini", kept
// where the scope keeps its own (AppSettingsFile). One "key=value" per
// line; keys are case-sensitive, lines that are empty or start with ';' are
// comments, unknown keys and refused values leave the default:
//     ; VARN-Terminal V1.28 settings file
//     timeStamps=0
//     hexView=0
//     lineEnd=CR
//     liveLog=0
//     liveLogFile=/home/user/terminal.log
#pragma once

#include <cstddef>
#include <string>

// What Send appends to the command.
enum TerminalLineEnd { LINE_END_CR = 0, LINE_END_LF, LINE_END_CRLF, LINE_END_NONE, LINE_END_COUNT };

struct TerminalSettings {
    bool bStamps = false;                    // "timeStamps": a time stamp before each received line
    bool bHex = false;                       // "hexView": the bytes as a hex dump
    TerminalLineEnd nLineEnd = LINE_END_CR;  // "lineEnd": CR, LF, CRLF or none
    bool bLiveLog = false;                   // "liveLog": every byte appended to sLiveLogFile
    std::string sLiveLogFile;                // "liveLogFile"
};

constexpr size_t TERMINAL_SETTINGS_LINE_MAX = 4096;   // longer lines are ignored
constexpr size_t TERMINAL_LOG_PATH_MAX = 511;         // longest live log path

// The bytes of a line end, and its name in the file ("CR", "LF", "CRLF", "none").
const char* TerminalLineEndBytes(TerminalLineEnd nEnd);
const char* TerminalLineEndName(TerminalLineEnd nEnd);

// The file's parser on any bytes (for tests and fuzzing): reads over the
// current values.
void TerminalParseSettings(TerminalSettings& settings, const char* pText, size_t uLength);

// Reads the file over the current values; false when it could not be read
// (a missing file keeps the defaults).
bool TerminalLoadSettings(TerminalSettings& settings, const std::string& sPath);

// Writes the file anew (through a temporary file and a rename, so a crash
// leaves the old or the new file, never half of one); false on failure.
bool TerminalSaveSettings(const TerminalSettings& settings, const std::string& sPath);
