// The suite's menus: the menu bar built from a program's table, the items
// that start sibling programs, mnemonics, and the daily update check.
#pragma once

#include <QString>
#include <cstddef>
#include <map>
#include <string>

#include "profile.h"

class QAction;
class QMenuBar;

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

