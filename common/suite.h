// Suite integration: starting sibling programs, opening the user guide and
// folders, the daily update check with its marker file.
//
// Every file of the suite is looked up in szAppDir. Functions return 1 on
// success and 0 after reporting through Error.
//
// suite.cpp is portable; the platform part declared at the end lives in
// suite_posix.cpp (a Windows build adds suite_win.cpp).
#pragma once

#include <functional>
#include <string>

constexpr const char SUITE_UPDATE_PROGRAM[] = "VARN-Update";
constexpr const char SUITE_UPDATE_MARKER[] = "VARN-Update.check";
constexpr const char SUITE_USER_GUIDE[] = "VARN-UserGuide.pdf";
constexpr const char SUITE_DOCS_DIR[] = "Docs";

// The platform's file name of a suite program from its name without
// extension: "VARN-Scope" on Linux, "VARN-Scope.exe" on Windows (part of
// the platform part).
std::string SuiteProgramFile(const char* szName);

// Opens szAppDir/Docs/szName with the desktop's default application.
// Reports "File '%s' not found !" with the full path.
int OpenDoc(const char* szName);

// Starts szAppDir/<program file of szName> with the parameter text (blanks
// separate arguments, double quotes group), detached, working directory
// szAppDir. Reports "File '%s' not found !" with the full path, or "Could not
// start '%s' !\n(%s)" when the file is there but cannot be run.
int ExecTools(const char* szName, const char* szParams);

// Opens the directory in the desktop's file browser. Reports "Directory '%s'
// not found !".
int OpenDir(const char* szPath);

// Opens a web link ("http://...") in the desktop's browser. 1 when the
// desktop accepted it.
int OpenUrl(const char* szUrl);

// The start-up update check: reads the marker szAppDir/VARN-Update.check
// ("%d|%s": flag and "%Y%m%d" of the last check, exactly 10 characters; any
// other content counts as enabled and never checked). When enabled and not
// checked today, and the updater exists, starts it with "silent" and writes
// the flag and today's date. Returns the enabled flag, which the window shows
// as the tick of "Check for update at startup".
int StartupCheckUpdate();

// The "Check for update at startup" toggle: from the item's tick state
// before the click, writes "0|19700101" (was ticked) or "1|19700101" (was
// not) and returns the new tick state. A failed write is not reported.
int SetStartupCheckUpdate(int bWasTicked);

// How documents, folders and links are handed to the desktop. The default
// runs the desktop's opener ("xdg-open") detached; the desktop layer
// installs its own, tests install recorders. nullptr restores the default.
using DesktopOpenHandler = std::function<bool(const std::string& sTarget)>;
void SetDesktopOpenHandler(DesktopOpenHandler fn);

// Today's local date as "%Y%m%d" (replaceable for tests through the
// environment-free hook below; nullptr restores the clock).
std::string SuiteToday();
void SetSuiteTodayHandler(std::function<std::string()> fn);

// Platform part.

// The desktop's own opener, used while no handler is installed: on POSIX
// "xdg-open" started detached; true when it could be started.
bool SuiteDesktopOpenDefault(const std::string& sTarget);

// The local date as "%Y%m%d".
std::string SuiteLocalDate();
