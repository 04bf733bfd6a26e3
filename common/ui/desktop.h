// The desktop layer shared by every window of the suite (Qt 6 Widgets).
//
// Threads: every program has one window thread (the one that runs
// QApplication) and at most one worker. Widgets are touched only on the
// window thread; a worker that must fill a control, show a box or ask a
// question goes through RunOnWindowThread, which runs the call there and
// waits for it.
//
// Dead-lock rule: the window thread must never wait on a worker that may be
// waiting on it (a worker inside RunOnWindowThread waits for the window
// thread). Stopping a worker from the window thread is therefore done with a
// flag plus a bounded wait that keeps the window thread's events running
// (see UiWaitFor).
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "log.h"
#include "profile.h"

class QAction;
class QObject;
class QComboBox;
class QMenuBar;
class QProgressBar;
class QWidget;

// The main window: owner of every message box and dialog. Null until the
// program's window exists (boxes then have no owner).
extern QWidget* hDlgMain;

// --- Window-thread gate -------------------------------------------------
// The one way for a worker to reach the window thread.
//
// RunOnWindowThread runs fn there and waits for it: directly when called on
// the window thread (or when there is no QApplication at all: the varn tool,
// core tests), otherwise queued to the window thread. It returns true when
// fn ran.
//
// Shutdown rule: once the gate is shut (the main window closed, or the event
// loop ended), every call from another thread that is still queued, and
// every later one, returns false at once without running fn, so that no
// worker waits for a window thread that will never serve it again. A call
// already running (a message box) finishes. Calls made on the window thread
// itself still run directly. A main window opens the gate when it is
// created (tests create several in one process).
//
// Dead-lock rule: the window thread must never block on a worker that may be
// inside RunOnWindowThread; it waits with a bounded wait that keeps its
// events running (UiWaitFor, Worker::Stop with the wait pump).
bool RunOnWindowThread(const std::function<void()>& fn);

// Queues fn to the window thread and returns at once, never waiting (redraw
// requests of a receive thread). fn runs later unless the gate was shut in
// between, or pContext (when given) was destroyed in between; false when the
// gate is already shut.
bool PostToWindowThread(std::function<void()> fn, QObject* pContext = nullptr);

void UiGateOpen();
void UiGateShut();
bool UiGateIsShut();

// Installs the wait pump of worker.h: a bounded wait on the window thread
// keeps the window's events running. AppMain and the window-test entry call it.
void UiInstallWaitPump();

// Keeps the window thread's events running until pred() is true or
// uTimeoutMs have passed; true when pred() became true.
bool UiWaitFor(const std::function<bool()>& pred, unsigned uTimeoutMs);

// Installs the reporter handler of log.h that shows a modal message box
// (caption szAppTitle, owner hDlgMain, the kind's icon, one OK button) on the
// window thread; callable from a worker, which waits until the user closed it.
void UiInstallMessageBoxes();

// --- Replaceable dialogs ------------------------------------------------
// Each dialog is reached through a handler that tests replace to answer it
// without a screen. The real handlers run on the window thread (the Ui*
// functions may be called from a worker). A handler set to nullptr restores
// the real dialog.

// Yes/No question, caption szAppTitle, question icon (MESSAGE_INFO or
// MESSAGE_WARNING) or error icon (MESSAGE_ERROR). Returns 1 for Yes, else 0.
int UiQuestion(MessageKind nIcon, const char* szText);
using QuestionHandler = std::function<int(MessageKind nIcon, const std::string& sText)>;
void SetQuestionHandler(QuestionHandler fn);

struct FileDialogRequest {
    std::vector<std::pair<std::string, std::string>> vFilters;  // label, pattern ("*.txt;*.TXT")
    int nFilter = 0;             // preselected filter, index into vFilters
    std::string sDefaultExt;     // appended when the chosen name has no extension, e.g. "txt"
    std::string sStartDir;       // empty: the dialog's own choice
    std::string sStartFile;      // proposed file name
    std::string sTitle;          // empty: the platform's default caption
};

enum FileDialogMode { FILE_DIALOG_OPEN = 0, FILE_DIALOG_SAVE };

// Returns true with the chosen path, false when cancelled. The open dialog
// only accepts existing files; the save dialog requires an existing folder
// and does not ask about overwriting (callers ask with UiQuestion).
bool UiOpenFile(const FileDialogRequest& request, std::string* pPath);
bool UiSaveFile(const FileDialogRequest& request, std::string* pPath);
using FileDialogHandler =
    std::function<bool(FileDialogMode nMode, const FileDialogRequest& request, std::string* pPath)>;
void SetFileDialogHandler(FileDialogHandler fn);

// Asks for a password (masked entry, OK and Cancel); true with the text on OK.
bool UiPassword(std::string* pOut);
using PasswordHandler = std::function<bool(std::string* pOut)>;
void SetPasswordHandler(PasswordHandler fn);

// --- Controls ------------------------------------------------------------

// Fills the combo box from LoadPortList(): "Select..." then the ports that
// open, each shown by what tells it apart (PortDisplayNames) with its path
// as the entry's data and tool tip; selects the list's index.
void FillPortList(QComboBox* pCombo);
// The same from explicit candidates.
void FillPortList(QComboBox* pCombo, const std::vector<std::string>& vCandidates);
// Replaces the machine's candidates (SerialPortCandidates) for every later
// FillPortList(pCombo): tests never probe the machine's own ports. nullptr
// restores the machine's list.
using PortCandidatesHandler = std::function<std::vector<std::string>()>;
void SetPortCandidatesHandler(PortCandidatesHandler fn);
// The path of the port chosen in a list filled by FillPortList; empty while
// "Select..." (or nothing) is chosen.
std::string PortListSelection(const QComboBox* pCombo);

// Sets the bar to position + 1 and back to position, so the new position is
// drawn at once; when position is at or above the maximum the range is
// widened by one for that step and restored, so 100 (and 110) of 100 draw a
// full bar immediately.
void SetProgress(QProgressBar* pBar, int nPosition);

// --- Program entry -------------------------------------------------------

// The common entry of every program: QApplication, the start-up frame
// (AppStartupFrame), the single-instance guard (unless the profile says
// otherwise: a second start asks the first to raise its window and returns
// 0), message boxes, then the main window from pfnCreateMainWindow: hDlgMain
// set, title szAppTitle, shown, event loop. Returns the exit code. A
// creation function that returns nullptr has done the program's work
// without a window: the program then ends with 0.
int AppMain(int argc, char** argv, Program nWhich, QWidget* (*pfnCreateMainWindow)());

// Ends the program: closes the main window and leaves the event loop. Used
// after a sibling tool was started and by "Quit".
void UiQuitProgram();

// The desktop opener of the suite (SetDesktopOpenHandler; AppMain installs
// it): hands a document, folder or "scheme://" link to the desktop's opener
// and reports "Could not open '%s' !" with the path and the reason when the
// desktop cannot open it, so the user can open it by hand. The opener's
// verdict comes later, on the window thread (the opener may run the viewer
// until it is closed); true when the request was handed over, false after
// reporting at once. Window thread only.
bool UiDesktopOpen(const std::string& sTarget);

// --- Suite menus ---------------------------------------------------------

// What a menu item does. MENU_CUSTOM items are connected by the window
// itself (the builder returns their QAction).
enum MenuAction {
    MENU_CUSTOM = 0,
    MENU_QUIT,              // "Quit": UiQuitProgram
    MENU_CHECK_STARTUP,     // "Check for update at startup": checkable, SetStartupCheckUpdate
    MENU_TOOL,              // start the program nTool with an empty parameter; on success quit
    MENU_OPEN_APPDIR,       // OpenDir(szAppDir)
    MENU_USER_GUIDE,        // OpenDoc("VARN-UserGuide.pdf")
    MENU_EXAMPLES,          // OpenDir(szProgExampleDir)
    MENU_CHECK_UPDATE,      // ExecTools("VARN-Update", "check"); stays open
    MENU_ABOUT              // the About dialog
};

struct MenuItem {
    const char* szMenu;      // "File", "Tools", "?"
    const char* szText;      // item text, e.g. "About..."; MENU_TOOL rows: nullptr, the suite's text
    MenuAction nAction;
    bool bSeparatorAfter;
    Program nTool = PROGRAM_COUNT;   // MENU_TOOL: the program it starts
};

// The Tools-menu text of a sibling program ("Toolbox Menu...", "Scope...",
// "Configuration...", ...); empty for the installer.
const char* SuiteToolMenuText(Program nTool);

// The items of one built menu bar, by text.
using MenuActions = std::map<std::string, QAction*>;

// Adds the menus and items of the table to the bar, in table order (a menu
// is created where its name first appears), and wires the suite actions.
// A MENU_TOOL row naming nSelf is left out, with its separator: a program
// never starts itself. Returns every item's QAction by its text.
// Every menu and item gets a mnemonic (MnemonicText: the texts shown carry
// its '&' marker; the object names and the returned map keep the plain
// text); a lone Alt and F10 open the bar from the keyboard.
MenuActions BuildSuiteMenu(QMenuBar* pBar, Program nSelf, const MenuItem* pItems, size_t uCount);
template <size_t N>
MenuActions BuildSuiteMenu(QMenuBar* pBar, Program nSelf, const MenuItem (&tItems)[N])
{
    return BuildSuiteMenu(pBar, nSelf, tItems, N);
}

// sText with a mnemonic marker before the first letter not yet in *pUsed
// (upper case), preferring the first letter of a word, which is then added;
// a '&' of the text is doubled. Without a free letter or sign, no marker.
std::string MnemonicText(const std::string& sText, std::string* pUsed);
// A menu text as the user reads it: the markers taken out ("&&" gives "&").
QString PlainMenuText(const QString& sText);

// The item of a built menu by its text; a text the table does not hold is a
// programming error and ends the program with a message saying which.
QAction* MenuItemByText(const MenuActions& tMenu, const char* szText);

// True for the items that start a sibling program (greyed while a program
// holds the serial port).
bool IsToolMenuItem(const QAction* pAction);

// Starts a sibling tool as the Tools menu does: ExecTools with its file
// name and an empty parameter; on success the program ends (UiQuitProgram).
// Returns ExecTools' result.
int UiStartTool(Program nTool);

// The daily update check of a window's initialisation: StartupCheckUpdate,
// then ticks pCheckItem ("Check for update at startup") when it is enabled.
void UiStartupCheckUpdate(QAction* pCheckItem);

// The About dialog, modal, owned by hDlgMain.
void UiShowAbout();

// The About dialog's web address (opened as "http://" + address).
extern const char szAboutWebAddress[];

class QDialog;
// Builds the About dialog (fixed size, title "About": logo, program title,
// notice line, web link) without showing it; UiShowAbout runs it modally.
QDialog* UiCreateAboutDialog(QWidget* pOwner);

class QIcon;
// The suite's small window icon (the logo's sensor head); AppMain gives it
// to every window of the program.
QIcon UiSuiteIcon();
// The suite's 16x16 refresh icon (a circular arrow) of every port list.
QIcon UiRefreshIcon();
