// VARN-Terminal's main window: a line terminal on the sensor console.
//
// The port row, menu and busy set come from the kit (toolwindow.h); the
// connection, the receive loop and the send are the Qt-free TerminalLink.
// The receive loop queues what comes and asks the window thread to take it;
// the window takes the queue at most once per frame of the display, so the
// output changes only on the window thread and is laid out once per frame,
// not once per read.
//
// Options (each off by default, kept in the terminal's settings file): time
// stamps before received lines, a hex view of the bytes, the line end Send
// appends, and a live log that appends everything shown to a file as it
// comes. "Save as..." writes the received bytes whatever the view shows.
#pragma once

#include <QString>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "suitemenu.h"
#include "terminal_link.h"
#include "terminal_output.h"
#include "terminal_settings.h"
#include "toolwindow.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;
class TerminalView;

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
    // Appends bytes at once (after what the receive loop queued): kept
    // exactly for saving, shown as text or hex, written to the live log.
    void DlgMainAppend(const char* pBytes, size_t uSize);
    // A notice of the window's own on a line of its own in the output (a
    // line break first when the last line is unfinished), and in the
    // status line.
    void Notice(const char* szText);
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
    // The output exactly as appended (line ends and all, zero bytes left
    // out), what "Save as..." writes. It holds at most OUTPUT_MAX bytes:
    // past that the oldest lines go, in the box and here alike, down to
    // OUTPUT_KEEP bytes, so that a sensor left streaming for days neither
    // fills the memory nor slows the box.
    const std::string& OutputBytes() const { return tOutput.Bytes(); }
    static constexpr size_t OUTPUT_MAX = TerminalOutput::BYTES_MAX;
    static constexpr size_t OUTPUT_KEEP = TerminalOutput::BYTES_KEEP;
    // A menu item by its text.
    QAction* MenuItemAction(const char* szText) const { return MenuItem(szText); }
    // The text of the status line.
    QString StatusText() const;

    // A Send that nothing answered within the port's time-out (and the
    // receive loop's gathering) gets the notice "no answer to '%s'".
    static constexpr unsigned NO_ANSWER_MS = 500 + TerminalLink::GATHER_MS + 100;

    // The options; each change is saved at once.
    const TerminalSettings& Settings() const { return tSettings; }
    void SetTimeStamps(bool bOn);
    void SetHexView(bool bOn);
    void SetLineEnd(TerminalLineEnd nEnd);
    // Appends everything shown from now on to sPath (created when missing),
    // flushed with every frame's append. 1 when open; 0 after reporting
    // "Could not open live log file '%s' !".
    int StartLiveLog(const std::string& sPath);
    void StopLiveLog();
    bool LiveLogging() const { return pLiveLog != nullptr; }
    // Where the options are kept: "VARN-Terminal.ini" beside the scope's settings.
    static std::string SettingsFile();

protected:
    void OnClosed() override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    // Receive thread: queues a block and asks the window thread to take it.
    void QueueReceived(const char* pBytes, unsigned uSize);
    // Window thread: takes the queue now, or at the next frame when the
    // last take was less than a frame ago.
    void ScheduleTake();
    void TakeReceived();
    // Appends to the output, the view and the live log; bytes whose last
    // came at nStampMs (bSpread: a block received at the line rate).
    void AppendBytes(const char* pBytes, size_t uSize, int64_t nStampMs, bool bSpread);
    void WriteLiveLog(const char* pBytes, size_t uSize, int64_t nStampMs, bool bSpread);
    void SetStatus(const QString& sText);
    void CreateOptionsMenu();
    void ApplySettings();
    void SaveSettings();
    void ChooseLiveLog();
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
    TerminalView* pOutputBox = nullptr;
    QLabel* pStatusLine = nullptr;
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
    bool bLost = false;              // the line hung up in this connection
    unsigned nConnection = 0;        // counts the connections, for late answer checks
    TerminalOutput tOutput;          // window thread only

    // What the receive loop read and the window has not taken yet, with the
    // time each block came (offset in sReceived, ms since the epoch).
    std::mutex mReceived;
    std::string sReceived;                                // guarded by mReceived
    std::vector<std::pair<size_t, int64_t>> vReceivedAt;  // guarded by mReceived
    std::atomic<bool> bTakeAsked{false};
    QTimer* pTakeTimer = nullptr;
    long long nLastTakeMs = -1000;   // steady clock
    int nFrameMs = 16;

    TerminalSettings tSettings;
    FILE* pLiveLog = nullptr;
    bool bLogLineStart = true;       // the live log's next byte starts a line
    bool bLogAfterCr = false;
};
