// The datalogger's three tasks (refresh, download, erase), each run from
// port selection to the idle hint by ProcessThread on the program's one
// worker thread.
//
// The tasks never touch widgets: they take the port name and the task as
// values and talk back through LoggerDlg, which the window and the command
// line each implement. Failures are reported by the step that met them
// (Error/Info, log.h); the tasks then only stop.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "event.h"
#include "task.h"

enum LoggerTaskId {
    TASK_NONE = 0,
    TASK_REFRESH = 1,
    TASK_DOWNLOAD = 2,
    TASK_ERASE = 3,
};

// Time-outs of a run, in ms.
constexpr unsigned LOGGER_WAKEUP_TIMEOUT = 500;    // each wake-up read
constexpr unsigned LOGGER_COMMAND_TIMEOUT = 5000;  // commands and every download byte
constexpr unsigned LOGGER_ERASE_SETTLE = 5000;     // pause between the erase and the refresh
constexpr unsigned LOGGER_DRAIN_QUIET_MS = 200;    // silence that ends a stopped stream's tail
constexpr unsigned LOGGER_DRAIN_LIMIT_MS = 5000;   // a tail that goes on longer is left to the purge

constexpr size_t LOGGER_TEXT_SIZE = 512;           // status text, paths

extern const char szLoggerIdleHint[];

// Progress steps of the tasks, for front ends that key on the step (varn).
enum LoggerStep : int {
    LOGGER_STEP_DOWNLOAD = TASK_STEP_PROGRAM,   // one record of a download
};

// What the tasks show beyond the progress: the storage fields, the save
// dialog and the download file. The window and the command line each
// implement it; every member is called on the task's thread and returns
// once the value was taken.
class LoggerView {
public:
    virtual ~LoggerView() = default;

    virtual void ShowMode(const char* szText) = 0;
    virtual void ShowMeasure(const char* szText) = 0;
    // Usage gauge position; its range is 0 to 100.
    virtual void ShowGauge(int nPercent) = 0;

    // The save-file dialog: "All (*.*)" and "Comma Separated Values (*.csv)",
    // the second preselected, default extension "csv". 1 with the path in
    // szPath (uSize bytes), 0 when cancelled.
    virtual int SaveFileDialog(char* szPath, size_t uSize) = 0;

    // Whether the chosen target may be replaced by a download: 1, or 0
    // with the reason reported. The default is LoggerCheckTarget.
    virtual int CheckTarget(const char* szPath);

    // Whether the chosen target already stands, for the overwrite question.
    // The default looks at the file system.
    virtual int TargetExists(const char* szPath);

    // Where a download is written. The default opens szPath itself in text
    // mode, truncating it, so a failed download leaves what it received; the
    // window and the command line override both to write beside the target
    // first (FileBeside), keeping or removing what did not complete.
    virtual FILE* OpenDownloadFile(const char* szPath);
    // Closes the file, on the disk; bComplete is 1 when every line arrived.
    // Returns 0 (reported) when the file could not be finished.
    virtual int CloseDownloadFile(FILE* pFile, const char* szPath, int bComplete);

    // Where the lines of a download that did not complete stay once the
    // file is closed, for the message that ends it; empty when they are not
    // kept. The default is szPath itself.
    virtual std::string KeptFile(const char* szPath);
};

// What stands at szPath when it is there but is no regular file ("folder",
// "pipe", "device", "socket", "symbolic link", "special file"), or nullptr
// (absent, a regular file, or not to be looked at: *pnErrno then holds the
// reason, else 0). A symbolic link counts as its own kind: a download is
// renamed onto its target, which would replace the link, not its file.
const char* LoggerTargetKind(const char* szPath, int* pnErrno);

// 1 when a download may be written to szPath: nothing is there, or a
// regular file. Otherwise reports "Could not open file '%s' for writing :
// it is a %s, not a regular file !" (or the system's reason) and returns 0.
int LoggerCheckTarget(const char* szPath);

// The tasks' way to the user: the task front end (progress, busy state,
// questions) and the program's view. MainDlgPrg and MainDlgState are the
// two window operations the tasks call.
struct LoggerDlg {
    TaskFrontEnd& fe;
    LoggerView& view;

    // Formats the status text (at most LOGGER_TEXT_SIZE - 1 characters),
    // logs it and shows it with the bar at uPosition (0 to 100; above 100
    // shows a full bar). Returns 1.
    int MainDlgPrg(unsigned uPosition, const char* szFormat, ...) __attribute__((format(printf, 3, 4)));
    // The same for a step that repeats (LoggerStep).
    int MainDlgPrgStep(int nStep, unsigned uPosition, const char* szFormat, ...)
        __attribute__((format(printf, 4, 5)));
    // Busy (non-zero) or idle. Returns 1.
    int MainDlgState(int bBusy);

    void ShowMode(const char* szText) { view.ShowMode(szText); }
    void ShowMeasure(const char* szText) { view.ShowMeasure(szText); }
    void ShowGauge(int nPercent) { view.ShowGauge(nPercent); }
    int SaveFileDialog(char* szPath, size_t uSize) { return view.SaveFileDialog(szPath, uSize); }
    // A Yes/No question captioned with the program title. 1 for Yes.
    int Question(const char* szText) { return fe.Question(MESSAGE_INFO, szText); }
    int CheckTarget(const char* szPath) { return view.CheckTarget(szPath); }
    int TargetExists(const char* szPath) { return view.TargetExists(szPath); }
    FILE* OpenDownloadFile(const char* szPath) { return view.OpenDownloadFile(szPath); }
    int CloseDownloadFile(FILE* pFile, const char* szPath, int bComplete)
    {
        return view.CloseDownloadFile(pFile, szPath, bComplete);
    }
};

struct LoggerJob {
    int iTask = TASK_NONE;
    std::string sPort;   // empty: no port selected ("Select...")
    std::string sPortName;   // the port as the user knows it (the list's name); empty: sPort
    unsigned uWakeupTimeout = LOGGER_WAKEUP_TIMEOUT;
    unsigned uCommandTimeout = LOGGER_COMMAND_TIMEOUT;
    unsigned uEraseSettle = LOGGER_ERASE_SETTLE;
};

// What a task needs while it runs.
struct LoggerRun {
    const LoggerJob& job;
    LoggerDlg dlg;
    AutoResetEvent& hCancelEvent;   // only the download loop looks at it
    std::string sFile;              // the download's target, for messages
    // The status line's text when the task failed or was cancelled (the
    // bar stays where it stopped); empty: the idle hint at 100 %.
    std::string sEndStatus = std::string();
};

// Runs job.iTask from port selection to the idle window (TaskRunOnPort):
// busy state, port open, the task, the idle hint, port closed, idle state.
// A cancel left pending from an earlier run is cleared first, so only a
// cancel given during this run stops it. Returns 1 when the task succeeded
// (a refresh that showed the storage, a complete download, an erase), 0
// when it failed, was cancelled or was declined (already reported where
// needed).
int ProcessThread(const LoggerJob& job, TaskFrontEnd& fe, LoggerView& view, AutoResetEvent& hCancelEvent);

// Mode, usage and capacity into the window. 1 when shown, 0 when a step
// failed.
int ProcessThreadRefresh(LoggerRun& run);
// The same, also giving the usage read (the number of records stored).
int RefreshStorage(LoggerRun& run, int* pnUsage);

// Wake-up, "logger clear confirm", a pause, then a refresh. 1 when all
// succeeded. The window's task reads the storage and asks first, naming
// the port and the number of records, and locks out Cancel meanwhile.
int ProcessThreadErase(LoggerRun& run);

// Writes the heading and the N records into pFile, checking each line,
// showing "records / total" and the time the rest takes at the line rate.
// 1 when all N + 1 lines were written; 0 after a failure or a cancel, with
// one message that names the file keeping what arrived (the view's
// KeptFile): an error for a failure, an information for a cancel. A
// stopped stream is ended and its tail drained before returning, so the
// next task finds a quiet console. run.sEndStatus then says how it ended.
int ProcessThreadDownload(LoggerRun& run, FILE* pFile);
