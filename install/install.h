// The update installer: applies an update that the updater has unpacked
// into a temporary folder, following the folder's install script
// (script_reader.h), and replaces itself when the script says so.
//
// One installation per process: the state below is program-wide, written by
// the installation thread alone (the command line fills it before the thread
// starts). Destinations are relative to szAppDir, sources to szLocalTmpDir.
//
// Every failure is reported through Error (a message box in the program,
// which the installation waits on) and stops the run.
#pragma once

#include <functional>
#include <string>

#include "appframe.h"
#include "task.h"
#include "worker.h"

constexpr char INSTALL_PROGRAM[] = "VARN-Install";        // the installer's file name
constexpr char INSTALL_TEMP_PROGRAM[] = "VARN-TempInstall";  // its temporary copy for self-installation
constexpr size_t INSTALL_PREFIX_SIZE = 12;                  // a destination beginning "VARN-Install" is the installer

extern char szLocalTmpDir[APP_PATH_SIZE];        // the update's temporary folder
extern char szLocalInstallScript[APP_PATH_SIZE]; // szLocalTmpDir + "/VARN-Update.install"
extern char szProgressTxt[TASK_TEXT_SIZE];       // the current progress text
extern unsigned nOpTotal;                        // operations counted by the first pass

// The installer's waits, ms. Only tests shorten them.
struct InstallWaits {
    unsigned uStartMs = 3000;   // before the first pass (a previous installer ends meanwhile)
    unsigned uCloseMs = 5000;   // after closing a running program, before its file is replaced
    unsigned uSelfMs = 1000;    // before starting the temporary copy, and in the copy before replacing
};
extern InstallWaits tInstallWaits;

// Steps of the installer's progress reports.
enum InstallStep : int {
    INSTALL_STEP_START = TASK_STEP_PROGRAM,  // "Installing..."
    INSTALL_STEP_SCAN,                       // "Scanning %d..."
    INSTALL_STEP_SELF,                       // "Self installing..."
    INSTALL_STEP_FILE,                       // "Installing '%s'..."
    INSTALL_STEP_CLOSE,                      // "Closing '%s' application..."
    INSTALL_STEP_REMOVE,                     // "Removing '%s'..."
};

// --- Progress -------------------------------------------------------------

// The front end the installation reports to (the progress window). Set
// before the installation starts; none set: reports go nowhere.
void InstallSetFrontEnd(TaskFrontEnd* pFrontEnd);

// Formats the progress text (printf rules) into szProgressTxt and shows it;
// the bar stays where it is. Returns 1.
int DlgMainSetProgressTxt(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));
// The same, naming the step the text belongs to.
int InstallProgressTxt(int nStep, const char* szFormat, ...) __attribute__((format(printf, 2, 3)));

// Moves the bar to the percentage (at most 100) and shows "%s (%d %%)" with
// szProgressTxt and the percentage. Returns 1.
int DlgMainProgress(unsigned uPercent);

// --- Installation -----------------------------------------------------------

// One pass over szLocalInstallScript: 0 checks the whole script, counts the
// operations into nOpTotal and, when the script installs the installer
// itself and its new file is there, starts the self-installation; 1 applies
// the operations with progress, and after a complete pass deletes the
// script and starts the updater with "check". Returns 1 when the whole
// script was read to its end, 0 when the pass stopped (an error, reported,
// or the self-installation started).
int ParseScript(unsigned uPass);

// The installation: "Installing...", the start wait, pass 0 and, when it
// read the whole script, pass 1; then fnEnd (the window ends the program).
void ProcessFn(const std::function<void()>& fnEnd);

// Starts ProcessFn on the program's one worker (the installation thread);
// 0 after reporting "Could not create process thread !" (the worker's word
// is "process").
int Process(Worker& tWorker, std::function<void()> fnEnd);

// --- Command line -------------------------------------------------------------

enum InstallMode {
    INSTALL_MODE_HANDOVER = 0,  // anything else: start the updater, if there
    INSTALL_MODE_INSTALL,       // "install" and the update's folder
    INSTALL_MODE_SELF,          // "self", the folder, the new installer, the installer's file
};

struct InstallCommand {
    InstallMode nMode = INSTALL_MODE_HANDOVER;
    std::string sCmd;       // first argument, empty without one
    std::string sTmpDir;    // install and self mode
    std::string sSource;    // self mode
    std::string sDest;      // self mode
};

// Decides the mode from the arguments after the program name: exactly
// "install" and one folder, or "self" and three paths; anything else is
// hand-over. An argument longer than a path buffer holds (511 bytes) is
// never cut: the command line is then not recognised.
InstallCommand InstallParseCommandLine(int argc, const char* const* argv);

// Self mode, run by the temporary copy: waits, puts szSource in place of
// szDest in one step, starts the installer with "install" and the folder.
// 1 when the new installer was started.
int InstallSelfMode(const char* szTmpDir, const char* szSource, const char* szDest);

// Hand-over mode: starts the updater without parameters when it is there;
// silent when it is not. 1 when it was started.
int InstallHandOver();
