// The VARN-Flash main window: port and firmware file, "Flash Firmware" and
// "Bootloader Info" runs on the window's worker, progress, Cancel, and the
// suite's menu. Everything shared with the other tools comes from the kit
// (toolwindow.h); this file holds the file row, the two runs and the drop.
#pragma once

#include "bootloader.h"
#include "toolwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class FlashWindow : public ToolWindow {
    Q_OBJECT

public:
    explicit FlashWindow(QWidget* pParent = nullptr);
    ~FlashWindow() override;

    // Busy (non-zero) or idle: switches inputs, start buttons, tool menu
    // items and Cancel. Window thread only.
    void MainDlgState(int bBusy) { SetBusy(bBusy ? TASK_BUSY : TASK_IDLE); }
    // Moves the bar at once and shows the text. Window thread only; the
    // worker reaches it through the window's task front end.
    void MainDlgPrg(int nPosition, const char* szText) { ShowProgress(nPosition, szText); }
    // The file-open dialog; 1 when a file was chosen (it replaces the file
    // field), else 0.
    int SelectFile();

    // Starts a run as the two buttons do: 0 when it did not start (empty
    // file field for a flash run, an image that cannot be opened or is
    // empty, a run still going, or no thread). The image is checked here,
    // before the wait for the bootloader begins.
    int StartRun(int bInfoOnly);
    // True while a run's thread has not ended.
    bool RunActive() { return TaskWorker().Running(); }
    // Waits (events running) up to uMs for the run to end.
    bool WaitRunEnded(unsigned uMs) { return TaskWorker().Wait(uMs); }

    QLineEdit* FileField() const { return pFile; }
    QPushButton* FlashButton() const { return pFlash; }
    QPushButton* InfoButton() const { return pInfo; }
    QPushButton* CancelButton() const { return pCancel; }
    QToolButton* BrowseButton() const { return pBrowse; }
    // Beside the file field: the chosen image's version stamp.
    QLabel* VersionLabel() const { return pVersion; }

    // The question a close meets while an upload runs.
    static constexpr char szCloseDuringUpload[] =
        "A firmware upload is running. Stop it and leave the sensor in its bootloader?";

protected:
    void OnCloseRequested() override;
    // While an upload runs, closing (close box or "Quit") asks first,
    // default No; Yes stops the upload after the block in flight (waiting
    // at most WORKER_STOP_WAIT_MS), then the window closes.
    bool ConfirmClose() override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void ShowImageVersion();

    QLineEdit* pFile = nullptr;
    QLabel* pVersion = nullptr;
    QToolButton* pBrowse = nullptr;
    QPushButton* pFlash = nullptr;
    QPushButton* pInfo = nullptr;
    QPushButton* pCancel = nullptr;
    FlashRun tRun;   // the run in progress; read by the worker
};

// Creates the window for AppMain.
QWidget* CreateFlashWindow();
