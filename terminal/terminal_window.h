// VARN-Terminal's main window: a line terminal on the sensor console.
//
// The port row, menu and busy set come from the kit (toolwindow.h); the
// connection, the receive loop and the send are the Qt-free TerminalLink.
// The receive loop appends what comes through the window-thread gate, so the
// output changes only on the window thread.
#pragma once

#include <QString>
#include <deque>
#include <string>

#include "terminal_link.h"
#include "toolwindow.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TerminalWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit TerminalWindow(QWidget* pParent = nullptr);
    ~TerminalWindow() override;

    // Opens the selected port and starts the receive loop. 1 when
    // connected; 0 after reporting ("No serial port selected !", or the
    // serial link's own message).
    int DlgMainConnect();
    // Stops the receive loop, closes the port, says so in the output.
    void DlgMainDisconnect();
    // Enables and greys the controls and Tools items by state.
    void DlgMainStatus(int bConnected) { SetBusy(bConnected ? TASK_BUSY : TASK_IDLE); }
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
    void DlgMainRefreshPorts() { RefreshPorts(); }

    bool IsConnected() const { return bConnected; }
    // True while the receive loop runs.
    bool IsReceiving() const { return tLink.Receiving(); }
    // The output exactly as appended (line ends and all), what "Save as..." writes.
    // It holds at most OUTPUT_MAX bytes: past that the oldest lines go, in
    // the box and here alike, down to OUTPUT_KEEP bytes, so that a sensor
    // left streaming for days neither fills the memory nor slows the box.
    const std::string& OutputBytes() const { return sOutput; }
    static constexpr size_t OUTPUT_MAX = 4u << 20;
    static constexpr size_t OUTPUT_KEEP = 3u << 20;
    // A menu item by its text.
    QAction* MenuItemAction(const char* szText) const { return MenuItem(szText); }

protected:
    void OnClosed() override;
    // Drops the oldest lines once the output passed OUTPUT_MAX.
    void TrimOutput();
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    void CreateControls();
    // Sizes every control to its text and places the top row.
    void PlaceControls();
    void LayoutControls(int nWidth, int nHeight);
    // Enter sends; Up and Down walk the history. True when the key was used.
    bool OnCommandKey(const QKeyEvent* pKey);
    // One step back (nStep < 0) or forward in the history; forward past the
    // newest entry gives back the line as it was before the first step.
    void RecallHistory(int nStep);

    QWidget* pClient = nullptr;
    QPlainTextEdit* pOutputBox = nullptr;
    QLabel* pCommandLabel = nullptr;
    QComboBox* pCommandLine = nullptr;
    QPushButton* pSend = nullptr;
    std::vector<std::pair<QWidget*, int>> vFollowPortList;   // controls right of the port list, base x
    int nMinClientWidth = 0;         // what the top row needs

    int nHistoryPos = -1;            // history entry shown, -1: the line being typed
    QString sDraft;                  // the line being typed, while the history is shown
    std::deque<std::string> vPending;   // commands waiting for the send in progress
    bool bSending = false;

    TerminalLink tLink;
    bool bConnected = false;
    bool bDisconnecting = false;
    std::string sOutput;             // window thread only
};
