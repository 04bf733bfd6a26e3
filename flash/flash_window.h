// The VARN-Flash main window: port and firmware file, "Flash Firmware" and
// "Bootloader Info" runs on a worker thread, progress, Cancel, and the
// suite's menu.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "desktop.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class WindowFrontEnd;

class FlashWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit FlashWindow(QWidget* pParent = nullptr);
    ~FlashWindow() override;

    // Busy (non-zero) or idle: switches inputs, start buttons, tool menu
    // items and Cancel. Window thread only.
    void MainDlgState(int bBusy);
    // Moves the bar at once and shows the text. Window thread only; the
    // worker reaches it through its front end.
    void MainDlgPrg(int nPosition, const char* szText);
    // The file-open dialog; 1 when a file was chosen (it replaces the file
    // field), else 0.
    int SelectFile();

    // Starts a run as the two buttons do: 0 when it did not start (empty
    // file field for a flash run, or no thread).
    int StartRun(int bInfoOnly);
    // True while a run's thread has not ended.
    bool RunActive() const;
    // Waits (events running) up to uMs for the run to end.
    bool WaitRunEnded(unsigned uMs);

    // Named children for tests and tool tips.
    QComboBox* PortList() const { return pPorts; }
    QLineEdit* FileField() const { return pFile; }
    QProgressBar* ProgressBar() const { return pBar; }
    QLabel* StatusLine() const { return pStatus; }
    QPushButton* FlashButton() const { return pFlash; }
    QPushButton* InfoButton() const { return pInfo; }
    QPushButton* CancelButton() const { return pCancel; }
    QPushButton* MenuButton() const { return pMenu; }
    QToolButton* RefreshButton() const { return pRefresh; }
    QToolButton* BrowseButton() const { return pBrowse; }
    QCheckBox* DebugBox() const { return pDebug; }
    const MenuActions& Menu() const { return tMenu; }

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void BuildControls();
    void BuildMenu();

    QComboBox* pPorts = nullptr;
    QToolButton* pRefresh = nullptr;
    QCheckBox* pDebug = nullptr;
    QLineEdit* pFile = nullptr;
    QToolButton* pBrowse = nullptr;
    QProgressBar* pBar = nullptr;
    QLabel* pStatus = nullptr;
    QPushButton* pFlash = nullptr;
    QPushButton* pInfo = nullptr;
    QPushButton* pCancel = nullptr;
    QPushButton* pMenu = nullptr;
    MenuActions tMenu;
    bool bQuitNow = false;
    std::shared_ptr<WindowFrontEnd> pFrontEnd;
};

// Creates the window for AppMain.
QWidget* CreateFlashWindow();
