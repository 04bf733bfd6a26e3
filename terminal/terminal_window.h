// VARN-Terminal's main window: a line terminal on the sensor console.
//
// Threads: the window thread runs the controls, connect, send, save and
// disconnect; while connected one receive thread reads the port and appends
// what comes through RunOnWindowThread, so the output changes only on the
// window thread. The receive thread stops at a flag checked between reads
// (each read ends within the port's 500 ms time-out) and on a hung-up line.
#pragma once

#include <QMainWindow>
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "desktop.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TerminalWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TerminalWindow(QWidget* pParent = nullptr);
    ~TerminalWindow() override;

    // Opens the selected port and starts the receive thread. 1 when
    // connected; 0 after reporting ("No serial port selected !", or the
    // serial link's own message).
    int DlgMainConnect();
    // Stops the receive thread, closes the port, says so in the output.
    void DlgMainDisconnect();
    // Enables and greys the controls and Tools items by state.
    void DlgMainStatus(int bConnected);
    // Appends a formatted text (under 4096 bytes) to the output.
    void DlgMainOutput(const char* szFormat, ...) __attribute__((format(printf, 2, 3)));
    // Appends bytes as received: kept exactly for saving, shown as text.
    void DlgMainAppend(const char* pBytes, size_t uSize);
    // Sends the command line's text (wake-up first), adds it to the history.
    void DlgMainSend();
    // Empties the output (the history stays).
    void DlgMainClear();
    // Writes the output's bytes to a file the user picks.
    void DlgMainSaveAs();
    // Refills the port list.
    void DlgMainRefreshPorts();

    bool IsConnected() const { return bConnected; }
    // The output exactly as appended (line ends and all), what "Save as..." writes.
    const std::string& OutputBytes() const { return sOutput; }
    // A menu item by its text (nullptr when there is none).
    QAction* MenuItemAction(const char* szText) const;

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    void CreateControls();
    void LayoutControls(int nWidth, int nHeight);
    void ReceiveFn();
    void StopReceive();

    QWidget* pClient = nullptr;
    QLabel* pPortLabel = nullptr;
    QComboBox* pPortList = nullptr;
    QToolButton* pRefresh = nullptr;
    QCheckBox* pDebug = nullptr;
    QPushButton* pConnect = nullptr;
    QPushButton* pDisconnect = nullptr;
    QPushButton* pMenuButton = nullptr;
    QPlainTextEdit* pOutputBox = nullptr;
    QLabel* pCommandLabel = nullptr;
    QComboBox* pCommandLine = nullptr;
    QPushButton* pSend = nullptr;
    MenuActions tMenu;
    std::vector<std::pair<QWidget*, int>> vFollowPortList;   // controls right of the port list, base x

    bool bConnected = false;
    bool bDisconnecting = false;
    std::string sOutput;             // window thread only
    std::thread hThreadRecv;
    std::atomic<bool> bStopRecv{false};
    std::atomic<bool> bRecvDone{true};
};
