// Processes: starting a sibling program detached, and finding or ending
// running programs by their executable file name.
//
// process.cpp is portable; the platform part declared at the end lives in
// process_posix.cpp (fork and exec, /proc, signals); a Windows build adds
// process_win.cpp (CreateProcess, a Toolhelp snapshot, TerminateProcess).
#pragma once

#include <string>
#include <vector>

// Starts szPath with the arguments in the working directory szWorkDir, as a
// detached process (not a child of this program, no zombie left behind).
// true once the program's image has been loaded; false with the reason in
// *pError (the exec failure, e.g. "Permission denied") otherwise.
bool ProcessStartDetached(const std::string& sPath, const std::vector<std::string>& vArgs,
                          const std::string& sWorkDir, std::string* pError);

// Splits a parameter text into arguments: blanks separate, double quotes
// group (the quotes are removed). "" gives no argument.
std::vector<std::string> ProcessSplitArgs(const char* szParams);

// 1 when a process whose executable file name (without directory) equals
// szName exactly (case-sensitive) is running, else 0 (also when the process
// list cannot be read). Processes of other users whose executable cannot be
// read are not seen.
int IsProcessRunning(const char* szName);

// Ends every process (but this one) whose executable file name equals szName
// exactly, waiting up to 5000 ms for each to end. 1 when at least one was
// ended, else 0.
int KillProces(const char* szName);

// The same two for one program file: only processes running the file at
// szPath (links resolved; also when the file has been replaced or removed
// since it was started) are seen and ended, never copies of a program of
// the same name in another folder.
int IsProgramRunning(const char* szPath);
int KillProgram(const char* szPath);

// Platform part.

using ProcessId = long;

// A program run under a watcher process, which outlives this program if
// need be, waits for the program and reports its exit status as one byte
// on a descriptor the caller watches for reading (for the desktop's opener,
// which may run a viewer in the foreground until it is closed).
// PROCESS_NOT_STARTED when the program could not be started,
// PROCESS_STATUS_LOST when no status came.
constexpr unsigned char PROCESS_NOT_STARTED = 127;
constexpr unsigned char PROCESS_STATUS_LOST = 255;
struct ProcessWatch {
    int nStatusFd = -1;
    ProcessId nWatcher = 0;
};
// Starts szPath with the one argument. false when no process could be made
// (always on Windows, where documents are handed to the shell instead).
bool ProcessStartWatched(const std::string& sPath, const std::string& sArg, ProcessWatch* pWatch);
// Once the descriptor is readable: reads the status, closes the descriptor
// and collects the watcher.
unsigned char ProcessWatchedStatus(const ProcessWatch& watch);

struct ProcessEntry {
    ProcessId nId;
    std::string sName;   // executable file name without directory
    std::string sPath;   // the executable's full path, links resolved
};

// szPath as the process list shows a program started from it: absolute,
// links resolved (as given when it cannot be resolved).
std::string ProcessProgramPath(const char* szPath);

// A snapshot of the running processes whose executable name can be read.
// false when the process list itself cannot be read.
bool ProcessSnapshot(std::vector<ProcessEntry>* pList);

// This program's own process.
ProcessId ProcessCurrentId();

// Ends the process at once (it gets no chance to refuse) and waits up to
// uWaitMs for it to be gone. true when it was told to end, whether or not it
// was gone within the wait; false when it could not be reached (gone
// already, or not ours to end).
bool ProcessTerminate(ProcessId nId, unsigned uWaitMs);
