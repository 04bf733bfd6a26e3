// Program-wide globals of the start-up frame and the steps that fill them.
#pragma once

#include <string>

#include "profile.h"

constexpr int APP_PATH_SIZE = 512;

// Platform tag of the window title: "%s V%s (%s%d)".
#if defined(_WIN32)
constexpr const char* APP_PLATFORM = "win";
constexpr char APP_SEPARATOR = '\\';
#else
constexpr const char* APP_PLATFORM = "linux";
constexpr char APP_SEPARATOR = '/';
#endif
constexpr int APP_BITS = 64;

extern char szAppTitle[APP_PATH_SIZE];        // "VARN-CONFIG V1.60 (linux64)"
extern char szAppDir[APP_PATH_SIZE];          // current directory at start, no trailing separator
extern char szLogFile[APP_PATH_SIZE];         // szAppDir + "/" + file name + ".log"
extern char szProgExampleDir[APP_PATH_SIZE];  // szAppDir + "/Examples" (not in the installer)

// Runs the non-window steps of the start-up frame for one program, in order:
// selects the program's profile, builds the title, reads the application
// folder from the current directory (one trailing separator removed), builds
// the log path (logging off) and the examples folder. The single-instance
// guard and the main window belong to the desktop layer.
void AppStartupFrame(Program nWhich);

// The same with an explicit application folder instead of the current
// directory (tests, and tools that run outside the application folder).
void AppStartupFrameIn(Program nWhich, const char* szDir);

// The path of a program's settings file "<name>.ini" (szName without
// extension, e.g. "VARN-Scope"): in the application folder szDir, beside
// the programs. Every program's settings go through here, so they stay
// together.
std::string AppSettingsFile(const char* szName, const char* szDir = szAppDir);
