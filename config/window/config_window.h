// The VARN-Config main window: the connection bar, the identity header,
// the tab control with the nine pages, the footer with the consumption,
// "Apply", "Reload", "Reset", and the suite's menu.
//
// The window is the configuration's page set: it attaches WindowPages
// (window_pages.h) as the core's pages, its progress window's front end
// (progress_dialog.h) as the core's front end and its password dialog, and
// leaves every sensor operation to the core (connect, disconnect, load,
// send, reset, unlock: config_task.h). The core reaches the window only
// through the seam; the window starts the core's operations from its
// buttons and menu items.
//
// States. The window is created disconnected: only "Home", the identity
// fields hidden, the sibling tools available, "Apply", "Reload", "Reset",
// "Import configuration..." and "Export configuration..." greyed. The
// core's DlgMainStatus switches between that and the connected state
// (DlgMainSetConnected). While an operation runs its progress window keeps
// the window's input off (its menu, "Quit" included). The operations run
// on the kit's worker (operations.h); the close box, while one runs, stops
// it between two parameters, waiting at most WORKER_STOP_WAIT_MS as every
// tool window does, then lets the port go.
//
// Every member is for the window thread.
#pragma once

#include <map>
#include <memory>

#include "operations.h"
#include "page_controls.h"
#include "progress_dialog.h"
#include "toolwindow.h"
#include "window_pages.h"

class PageWidget;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace ConfigName {
inline constexpr char Tabs[] = "tabs";
inline constexpr char Apply[] = "apply";
inline constexpr char Reload[] = "reload";
inline constexpr char Reset[] = "reset";
}  // namespace ConfigName

class ConfigWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit ConfigWindow(QWidget* pParent = nullptr);
    // Ends the running operation first (the gate shut, its calls return at
    // once), then closes the port and detaches the operations, the pages,
    // the front end and the password dialog.
    ~ConfigWindow() override;

    // --- The seam's side (window_pages.cpp) --------------------------------
    // The control nId (an identity field or a control of a page), or null.
    const PageControl* Control(CtlId nId) const;
    // The selected tab, the row index of its page.
    int DlgMainSelectedTab() const;
    // Selects tab nIndex when the strip has it, which shows its page.
    void DlgMainTabSelect(int nIndex);
    // Rebuilds the tab strip: "Home" only, or all nine pages.
    void DlgMainTabStatus(int bConnected);
    // The controls of the connected or the disconnected state.
    void DlgMainSetConnected(bool bConnected);

    // --- Commands, as the buttons and menu items run them ----------------------
    int OnConnect();
    void OnDisconnect();
    int OnApply();
    int OnReload();
    int OnReset();
    int OnUnlock();
    // The Summary box's text onto the system clipboard.
    void OnCopySummary();
    // File menu: the configuration file's export (the save dialog, then
    // the export worker) and import (the modal "Import" dialog). 1 when the
    // worker started.
    int DlgMainExport();
    int DlgMainImport();

    // The window's input (its controls and menu bar), off while an
    // operation's progress window is open.
    void SetInputEnabled(bool bEnabled);
    bool InputEnabled() const;

    bool IsConnected() const { return bConnected; }
    PageWidget* Page(int nPage) const { return tPages[nPage]; }
    QTabWidget* Tabs() const { return pTabs; }
    QPushButton* ApplyButton() const { return pApply; }
    QPushButton* ReloadButton() const { return pReload; }
    QPushButton* ResetButton() const { return pReset; }
    ProgressFrontEnd& Progress() { return tProgress; }
    ConfigOperations& Operations() { return tOperations; }

protected:
    // The close box asks a running operation to stop.
    void OnCloseRequested() override;
    void OnClosed() override;

private:
    void CreateIdentityField(CtlId nId);
    void FitEveryKind();
    void WireCommands();

    bool bConnected = false;
    QTabWidget* pTabs = nullptr;
    PageWidget* tPages[PAGE_COUNT] = {};
    std::map<CtlId, PageControl> tIdentity;
    QPushButton* pApply = nullptr;
    QPushButton* pReload = nullptr;
    QPushButton* pReset = nullptr;
    WindowPages tPagesSeam{this};
    ProgressFrontEnd tProgress;
    ConfigOperations tOperations{TaskWorker()};
};

// Creates the window for AppMain.
QWidget* CreateConfigWindow();
