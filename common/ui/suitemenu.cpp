#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "appframe.h"
#include "desktop.h"
#include "suite.h"

const char* SuiteToolMenuText(Program nTool)
{
    // The Tools-menu text of each program, in the order of the profiles.
    static const char* const tText[PROGRAM_COUNT] = {
        "Configuration...", "Scope...", "Flash...", "Datalogger...", "Terminal...", "Toolbox Menu...", "",
    };
    return nTool >= 0 && nTool < PROGRAM_COUNT ? tText[nTool] : "";
}

int UiStartTool(Program nTool)
{
    if (nTool < 0 || nTool >= PROGRAM_COUNT)
        return 0;
    if (!ExecTools(tProgramProfiles[nTool].szFileName, ""))
        return 0;
    // The started tool takes the serial port: this program ends at once.
    UiQuitProgram();
    return 1;
}

void UiStartupCheckUpdate(QAction* pCheckItem)
{
    const int enabled = StartupCheckUpdate();
    if (pCheckItem != nullptr)
        pCheckItem->setChecked(enabled != 0);
}

namespace {

// Marks the actions that start a sibling program.
constexpr char kToolProperty[] = "varnStartsTool";

void WireAction(QAction* action, const MenuItem& item)
{
    switch (item.nAction) {
    case MENU_CUSTOM:
        break;
    case MENU_QUIT:
        QObject::connect(action, &QAction::triggered, [] { UiQuitProgram(); });
        break;
    case MENU_CHECK_STARTUP:
        action->setCheckable(true);
        // A checkable action has already flipped its tick when triggered, so
        // the state before the click is the opposite of 'checked'.
        QObject::connect(action, &QAction::triggered, action,
                         [action](bool checked) { action->setChecked(SetStartupCheckUpdate(!checked) != 0); });
        break;
    case MENU_TOOL: {
        const Program tool = item.nTool;
        action->setProperty(kToolProperty, true);
        QObject::connect(action, &QAction::triggered, [tool] { UiStartTool(tool); });
        break;
    }
    case MENU_OPEN_APPDIR:
        QObject::connect(action, &QAction::triggered, [] { OpenDir(szAppDir); });
        break;
    case MENU_USER_GUIDE:
        QObject::connect(action, &QAction::triggered, [] { OpenDoc(SUITE_USER_GUIDE); });
        break;
    case MENU_EXAMPLES:
        QObject::connect(action, &QAction::triggered, [] { OpenDir(szProgExampleDir); });
        break;
    case MENU_CHECK_UPDATE:
        QObject::connect(action, &QAction::triggered, [] { ExecTools(SUITE_UPDATE_PROGRAM, "check"); });
        break;
    case MENU_ABOUT:
        QObject::connect(action, &QAction::triggered, [] { UiShowAbout(); });
        break;
    }
}

}  // namespace

MenuActions BuildSuiteMenu(QMenuBar* pBar, Program nSelf, const MenuItem* pItems, size_t uCount)
{
    MenuActions actions;
    std::map<std::string, QMenu*> menus;
    for (size_t i = 0; i < uCount; i++) {
        const MenuItem& item = pItems[i];
        if (item.nAction == MENU_TOOL && item.nTool == nSelf)
            continue;
        const char* text = item.nAction == MENU_TOOL && item.szText == nullptr ? SuiteToolMenuText(item.nTool)
                                                                              : item.szText;
        QMenu*& menu = menus[item.szMenu];
        if (menu == nullptr)
            menu = pBar->addMenu(QString::fromLocal8Bit(item.szMenu));
        QAction* action = menu->addAction(QString::fromLocal8Bit(text));
        // Menu texts may contain '&' only as text, never as a mnemonic marker.
        action->setObjectName(QString::fromLocal8Bit(text));
        WireAction(action, item);
        if (item.bSeparatorAfter)
            menu->addSeparator();
        actions[text] = action;
    }
    return actions;
}

QAction* MenuItemByText(const MenuActions& tMenu, const char* szText)
{
    auto it = tMenu.find(szText);
    if (it == tMenu.end())
        qFatal("The menu has no item '%s'", szText);
    return it->second;
}

bool IsToolMenuItem(const QAction* pAction)
{
    return pAction != nullptr && pAction->property(kToolProperty).toBool();
}
