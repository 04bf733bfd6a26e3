// The tool window kit: what every window of the suite's serial tools shares,
// so that a program's window file holds only its own controls, its menu rows
// and its worker body.
//
//   - the port row: label, port list, 16x16 refresh button, "Debug",
//     "Connect" and "Disconnect" where the program has them, "Menu >>";
//   - the status line: a progress bar (0 to 100) above a centred text;
//   - the busy set: controls and menu items enabled only while idle (or
//     disconnected), and those enabled only while busy (or connected); the
//     items that start a sibling tool are always in the idle set;
//   - the suite menu from the program's table (the program itself left out
//     of Tools) with a checked lookup by text;
//   - the program's one worker and a task front end that reaches this
//     window through the window-thread gate;
//   - closing: the system close box signals the program's cancel, shuts the
//     gate and waits at most WORKER_STOP_WAIT_MS for the worker; "Quit"
//     closes at once.
//
// The kit's controls carry fixed object names (ToolName below) that tests
// find them by. The title and the icon are set by the program entry.
#pragma once

#include <QMainWindow>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "suitemenu.h"
#include "task.h"
#include "worker.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace ToolName {
inline constexpr char PortLabel[] = "portLabel";
inline constexpr char PortList[] = "portList";
inline constexpr char RefreshPorts[] = "refreshPorts";
inline constexpr char Debug[] = "debug";
inline constexpr char Connect[] = "connect";
inline constexpr char Disconnect[] = "disconnect";
inline constexpr char MenuButton[] = "menuButton";
inline constexpr char Progress[] = "progress";
inline constexpr char Status[] = "status";
inline constexpr char ClientScroll[] = "clientScroll";
}  // namespace ToolName

// Lines of text the status line has room for.
constexpr int STATUS_LINES = 3;

// Room left around a window for the frame the window manager adds, pixels.
constexpr int START_FRAME_WIDTH = 16;
constexpr int START_FRAME_HEIGHT = 48;

// The size a window opens with: wanted, but no larger than the available
// screen less the frame's room, and never below the window's minimum.
QSize ToolWindowStartSize(const QSize& wanted, const QSize& minimum, const QSize& available);

struct PortRowSpec {
    const char* szLabel = "Serial port";   // the row's label, as the program writes it
    bool bConnectButtons = false;          // "Connect" and "Disconnect"
    bool bDebugIdleOnly = true;            // "Debug" is greyed while busy
    const char* szConnectTip = "Connect to the sensor plug in selected serial port...";
};

class ToolWindow : public QMainWindow {
    Q_OBJECT
public:
    // nSelf: the program this window belongs to.
    explicit ToolWindow(Program nSelf, QWidget* pParent = nullptr);
    // Stops the worker (bounded, see Worker) before the controls go.
    ~ToolWindow() override;

    // --- Building, in the window's constructor --------------------------

    // Creates the port row's controls as children of pParent, fills the
    // list and wires refresh, "Debug" and "Menu >>" ("Connect" and
    // "Disconnect" are the program's to wire). The port list, refresh and
    // "Menu >>" are in the idle set ("Connect" too; "Disconnect" in the
    // busy set). Returns a row layout holding them, for windows that lay
    // out with layouts; a window that places controls itself ignores it.
    QHBoxLayout* CreatePortRow(QWidget* pParent, const PortRowSpec& rowSpec);

    // Creates the progress bar above the centred status line (showing
    // szIdleHint) and returns a layout holding both.
    QVBoxLayout* CreateStatusLine(QWidget* pParent, const char* szIdleHint);

    // Builds the menu bar from the program's table (BuildSuiteMenu with this
    // program) and puts its tool items into the idle set.
    void CreateMenu(const MenuItem* pItems, size_t uCount);
    template <size_t N>
    void CreateMenu(const MenuItem (&tItems)[N])
    {
        CreateMenu(tItems, N);
    }

    // Adds to the idle set (enabled only while idle) or the busy set
    // (enabled only while busy).
    void AddIdleOnly(std::initializer_list<QWidget*> vWidgets);
    void AddBusyOnly(std::initializer_list<QWidget*> vWidgets);
    void AddIdleOnlyItem(const char* szMenuText);

    // Ends the construction: Enter presses the focused push button, the
    // idle state, and the daily update check that ticks "Check for update
    // at startup".
    void FinishCreate();

    // --- Use, on the window thread -----------------------------------------

    // TASK_IDLE: the idle set on, the busy set off; TASK_BUSY: the reverse;
    // TASK_BUSY_LOCKED: both off (a run that can no longer be cancelled).
    // Going idle after the port hung up refreshes the port list.
    void SetBusy(int nState);
    int BusyState() const { return nBusy; }

    // Shows the text in the status line and moves the bar at once (the
    // "+1 then back" step of SetProgress); TASK_POSITION_KEEP leaves the bar.
    // Repaints both before returning, so a waiting worker's step is visible.
    void ShowProgress(int nPosition, const char* szText);

    // The selected port's path (what is opened; the list shows a short
    // name); empty while "Select..." is chosen.
    std::string SelectedPort() const;
    // The name the list shows for the selected port (its path's short
    // form); empty while "Select..." is chosen.
    std::string SelectedPortName() const;
    // Refills the port list. Also done by SetBusy(TASK_IDLE) at the end of
    // work on a port that hung up, so that a vanished port is not offered.
    // The refill never chooses a sensor by itself once the list has offered
    // one: the selected port stays selected while it is listed; a selected
    // port that vanished leaves "Select..." chosen and is selected again
    // when a later refill finds it back (unless the user chose meanwhile).
    // Only a list that offered no port takes the first port found.
    void RefreshPorts();

    // Resizes to the size asked for, within the screen the window is on
    // (ToolWindowStartSize): the start size of a window built for a
    // desktop of ordinary scale.
    void ResizeForStart(int nWidth, int nHeight);
    // Opens the window within the screen it is on: at its minimum size when
    // that fits; otherwise its client moves into a scroll area (object name
    // ToolName::ClientScroll), so the window may be smaller than its
    // controls need without cutting any, and it opens at the largest size
    // that fits (at 2x a window built for an ordinary desktop may not).
    void FitToScreen();

    QComboBox* PortList() const { return pPortList; }
    QToolButton* RefreshButton() const { return pRefresh; }
    QCheckBox* DebugBox() const { return pDebug; }
    QPushButton* ConnectButton() const { return pConnect; }
    QPushButton* DisconnectButton() const { return pDisconnect; }
    QPushButton* MenuButton() const { return pMenuButton; }
    QLabel* PortLabel() const { return pPortLabel; }
    QProgressBar* ProgressBar() const { return pProgress; }
    QLabel* StatusLine() const { return pStatus; }
    const MenuActions& Menu() const { return tMenu; }
    // A menu item by its text; a missing one ends the program with a message.
    QAction* MenuItem(const char* szText) const { return MenuItemByText(tMenu, szText); }

    Program Self() const { return nSelf; }

    // The program's one worker, and the task front end that reaches this
    // window through the gate (Progress: ShowProgress; State: SetBusy;
    // Question: UiQuestion; Information: an information box).
    Worker& TaskWorker() { return tWorker; }
    TaskFrontEnd& FrontEnd();

    // Closes at once, without the program's cancel and the worker wait
    // ("Quit").
    void QuitNow();

    // Shuts the gate, asks the worker to stop and waits until it has ended
    // (its calls into the window return at once now, so its own time-outs
    // end it). A window whose worker reaches members of its own calls this
    // first in its destructor, while those members still exist. In a
    // program the exit rule has ended the process before a window with a
    // running worker is destroyed, so this waits only in tests.
    void EndWork();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    // Called when the system close box closes the window while it may be
    // busy, before the worker is waited for: the program signals its cancel.
    virtual void OnCloseRequested() {}
    // Called on every close after the worker wait (disconnecting, for the
    // programs that hold the port while connected).
    virtual void OnClosed() {}
    // Asked before the window closes (system close box and "Quit"); false
    // keeps it open. For a job that closing would leave half done.
    virtual bool ConfirmClose() { return true; }
    // Called on the window thread when the selected port changed, by the
    // user or because a refill dropped a vanished port: what the window
    // shows from the sensor on the old port no longer stands. Also called
    // by the first fill, while the program's own controls may not exist yet.
    virtual void OnPortChanged() {}

private:
    class FrontEndImpl;
    void UpdatePortTip();
    void NotePortSelection();

    Program nSelf;
    QLabel* pPortLabel = nullptr;
    QComboBox* pPortList = nullptr;
    QToolButton* pRefresh = nullptr;
    QCheckBox* pDebug = nullptr;
    QPushButton* pConnect = nullptr;
    QPushButton* pDisconnect = nullptr;
    QPushButton* pMenuButton = nullptr;
    QProgressBar* pProgress = nullptr;
    QLabel* pStatus = nullptr;
    MenuActions tMenu;
    std::vector<QWidget*> vIdleOnly;
    std::vector<QWidget*> vBusyOnly;
    std::vector<QAction*> vIdleOnlyItems;
    std::string sPortShown;   // the selection OnPortChanged last saw
    std::string sLostPort;    // a selected port that vanished, taken back when it returns
    int nBusy = TASK_IDLE;
    bool bQuitNow = false;
    bool bClosed = false;
    std::unique_ptr<FrontEndImpl> pFrontEnd;
    // Last member: destroyed (stopped and joined) first, while the window
    // and its front end still exist.
    Worker tWorker;
};
