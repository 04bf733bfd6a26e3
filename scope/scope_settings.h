// The scope's settings file and the recording switch, period and folder.
//
// The file "VARN-Scope.ini" beside the programs holds one "key=value" per
// line; keys are case-sensitive, lines that are empty or start with ';' are
// comments:
//     ; VARN-Scope V1.45 configuration file
//     wavEnable=0
//     nWavDuration=600
//     wavDir=/home/user/Documents
//
// Threads: LoadConfig runs once at start, before any receive thread;
// afterwards only bSaveWav changes (the window thread toggles it while the
// receive thread reads it), so the other fields are read-only.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "appframe.h"

constexpr unsigned WAV_DURATION_DEFAULT = 600;   // seconds per WAV file
// Longest period: a two-channel 16-bit file at 2000 Hz must stay within the
// 32-bit sizes of the WAV header.
constexpr unsigned WAV_DURATION_MAX = 536870;
constexpr size_t SCOPE_CONFIG_LINE_SIZE = 8192;   // longest settings line, bytes with the terminator

struct ScopeSettings {
    std::atomic<int> bSaveWav{0};                   // "wavEnable": recording on
    unsigned nWavDuration = WAV_DURATION_DEFAULT;   // "nWavDuration": seconds per file, 1..WAV_DURATION_MAX
    char szWavDir[APP_PATH_SIZE] = "";              // "wavDir": output folder
    char szCfgFile[APP_PATH_SIZE + 16] = "";        // the settings file
    char szTmpFile[APP_PATH_SIZE + 16] = "";        // raw intermediate "tmp.bin" in szWavDir
};

// Defaults (recording off, 600 s, the documents folder) and szCfgFile
// "<szAppDir>/VARN-Scope.ini"; szTmpFile follows szWavDir.
void ScopeSettingsInit(ScopeSettings& settings, const char* szAppDir);

// Reads szCfgFile over the current values and builds szTmpFile (also when
// the file is missing). Refused values are logged and leave the current
// value: an nWavDuration of 0, above WAV_DURATION_MAX or without digits; a
// wavDir that is empty or longer than 511 characters; a line longer than
// 8191 characters. 1 when the file was read, 0 when it could not be opened.
int LoadConfig(ScopeSettings& settings);

// The parser of LoadConfig on a text (any bytes; for tests and fuzzing).
void ScopeParseConfig(ScopeSettings& settings, const char* pText, size_t uLength);

// Creates szCfgFile anew with the comment line and the three keys. 1 when
// written, 0 when the file could not be created or written (no message).
int WriteConfig(const ScopeSettings& settings);

// Rebuilds szTmpFile from szWavDir.
void ScopeSettingsUpdatePaths(ScopeSettings& settings);

// The documents folder named by the text of a user-dirs.dirs file (any
// bytes): the last XDG_DOCUMENTS_DIR="..." line whose value is an absolute
// path ("$HOME" at its start replaced by sHome) that fits the settings;
// empty when there is none.
std::string ScopeParseUserDirs(const char* pText, size_t uLength, const std::string& sHome);

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR
// line of user-dirs.dirs, else $HOME/Documents; the current folder without
// a home.
std::string ScopeDocumentsDir();
