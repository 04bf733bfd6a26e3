// VARN-Datalogger's main window: pick the port, refresh, erase or download
// the sensor's logger, follow the task on the status line and the bar, and
// cancel a download.
//
// The port row, status line, busy set, menu, worker and close rule come from
// the kit (toolwindow.h). Each task runs ProcessThread (logger_task.h) on the
// window's worker; it reaches the window through the kit's task front end
// and this window's LoggerView, both through the window-thread gate.
#pragma once

#include <string>

#include "fileio.h"
#include "logger_task.h"
#include "suitemenu.h"
#include "toolwindow.h"

class QLabel;
class QProgressBar;
class QPushButton;

class DataloggerWindow : public ToolWindow, public LoggerView {
    Q_OBJECT
public:
    explicit DataloggerWindow(QWidget* pParent = nullptr);
    ~DataloggerWindow() override;

    // Starts task 1 (Refresh), 2 (Download) or 3 (Erase) on the worker.
    // Reports "Could not create process thread !".
    void StartTask(int iNewTask);

    // The two window operations of the tasks, for the window thread: status
    // text and bar, and busy/idle.
    void MainDlgPrg(unsigned uPosition, const char* szText);
    void MainDlgState(int bBusy) { SetBusy(bBusy ? TASK_BUSY : TASK_IDLE); }

    void SetMode(const char* szText);
    void SetMeasure(const char* szText);
    void SetGauge(int nPercent);

    // Time-outs of the next tasks (tests shorten them).
    void SetTaskTimeouts(unsigned uWakeup, unsigned uCommand, unsigned uEraseSettle);

    bool IsTaskRunning() { return TaskWorker().Running(); }
    // A menu item by its text.
    QAction* MenuItemAction(const char* szText) const { return MenuItem(szText); }

    // Workers still running anywhere in the program.
    static int RunningWorkers() { return Worker::RunningCount(); }

    // LoggerView, called on the worker's thread.
    void ShowMode(const char* szText) override;
    void ShowMeasure(const char* szText) override;
    void ShowGauge(int nPercent) override;
    int SaveFileDialog(char* szPath, size_t uSize) override;
    // A download is written beside its target, under the target's name with
    // DOWNLOAD_PARTIAL_SUFFIX appended, and takes the target's name only
    // once every line has arrived and is on disk (an existing target is
    // replaced only then). A failed or cancelled download keeps what
    // arrived under the ".partial" name: nothing is lost, and nothing under
    // the chosen name looks complete.
    FILE* OpenDownloadFile(const char* szPath) override;
    // A download that ended before its first line leaves no file at all.
    int CloseDownloadFile(FILE* pFile, const char* szPath, int bComplete) override;
    std::string KeptFile(const char* szPath) override { return PartialPath(szPath); }
    static std::string PartialPath(const char* szPath);
    static constexpr char DOWNLOAD_PARTIAL_SUFFIX[] = ".partial";

protected:
    void OnCloseRequested() override;
    // Mode, Measure and the gauge belong to the sensor on the old port.
    void OnPortChanged() override;

private:
    QLabel* pModeValue = nullptr;
    QLabel* pMeasureValue = nullptr;
    QProgressBar* pGauge = nullptr;
    QPushButton* pDownload = nullptr;
    QPushButton* pRefresh = nullptr;
    QPushButton* pErase = nullptr;
    QPushButton* pCancel = nullptr;

    int iTask = TASK_NONE;
    LoggerJob tJobTimes;   // time-outs of the next task
    FileBeside download{FileBeside::UNFINISHED_KEEP};   // used on the worker's thread only
};
