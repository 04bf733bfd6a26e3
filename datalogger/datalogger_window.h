// VARN-Datalogger's main window: pick the port, refresh, erase or download
// the sensor's logger, follow the task on the status line and the bar, and
// cancel a download.
//
// Threads: each task runs ProcessThread (logger_task.h) on a worker thread
// of its own, one at a time (the task buttons are disabled while busy). The
// worker reaches the controls only through calls run on the window thread
// while it waits, and the
// window reaches the worker only through the cancel event. Closing the
// window signals the cancel and waits at most 1000 ms; a worker still
// running then is left to end by itself and its late calls find no window.
#pragma once

#include <QMainWindow>
#include <atomic>
#include <memory>
#include <thread>

#include "desktop.h"
#include "event.h"
#include "logger_task.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

class DataloggerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit DataloggerWindow(QWidget* pParent = nullptr);
    ~DataloggerWindow() override;

    // Starts task 1 (Refresh), 2 (Download) or 3 (Erase) on a new worker
    // thread. Reports "Could not create process thread !".
    void StartTask(int iNewTask);

    // The two window operations of the tasks, for the window thread (the
    // worker reaches them through its LoggerDlg): status text and bar, and
    // busy/idle.
    void MainDlgPrg(unsigned uPosition, const char* szText);
    void MainDlgState(int bBusy);

    void SetMode(const char* szText);
    void SetMeasure(const char* szText);
    void SetGauge(int nPercent);

    // Time-outs of the next tasks (tests shorten them).
    void SetTaskTimeouts(unsigned uWakeup, unsigned uCommand, unsigned uEraseSettle);

    bool IsTaskRunning() const { return bWorkerRunning->load(); }
    // A menu item by its text (nullptr when there is none).
    QAction* MenuItemAction(const char* szText) const;

    // Workers still running anywhere in the program (left behind by a window
    // that closed while its task ran): the program ends without waiting for
    // them, tests wait for them.
    static int RunningWorkers();

    // Runs the call a worker is waiting for (queued to the window thread).
    Q_INVOKABLE void RunWorkerCall();

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    class Link;

    void CreateControls();
    void CreateMenus();
    void RefreshPorts();

    QComboBox* pPortList = nullptr;
    QToolButton* pRefreshPorts = nullptr;
    QCheckBox* pDebug = nullptr;
    QPushButton* pMenuButton = nullptr;
    QLabel* pModeValue = nullptr;
    QLabel* pMeasureValue = nullptr;
    QProgressBar* pGauge = nullptr;
    QProgressBar* pProgress = nullptr;
    QLabel* pStatus = nullptr;
    QPushButton* pDownload = nullptr;
    QPushButton* pRefresh = nullptr;
    QPushButton* pErase = nullptr;
    QPushButton* pCancel = nullptr;
    MenuActions tMenu;

    int iTask = TASK_NONE;
    LoggerJob tJobTimes;                      // time-outs of the next task
    // Shared with the workers, which may outlive the window.
    std::shared_ptr<AutoResetEvent> hCancelEvent;
    std::shared_ptr<std::atomic<bool>> bWorkerRunning;
    std::shared_ptr<Link> pLink;
    std::thread hThread;
    bool bQuitting = false;                   // "Quit": close without cancel and wait
};
