#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QShortcut>
#include <cctype>

#include "about.h"
#include "appframe.h"
#include "appmain.h"
#include "suite.h"
#include "suitemenu.h"

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

std::string MnemonicText(const std::string& sText, std::string* pUsed)
{
    // A '&' of the text itself is doubled, so it shows as one and marks nothing.
    std::string escaped;
    for (char c : sText) {
        escaped += c;
        if (c == '&')
            escaped += '&';
    }
    const auto usable = [&](size_t i) {
        const unsigned char c = static_cast<unsigned char>(escaped[i]);
        return c != '&' && c != ' ' && c < 0x80 && std::isgraph(c) &&
               pUsed->find(static_cast<char>(std::toupper(c))) == std::string::npos;
    };
    size_t chosen = std::string::npos;
    // A word's first letter, then any letter or digit, then any sign.
    for (size_t i = 0; i < escaped.size() && chosen == std::string::npos; i++)
        if ((i == 0 || escaped[i - 1] == ' ') && std::isalnum(static_cast<unsigned char>(escaped[i])) && usable(i))
            chosen = i;
    for (size_t i = 0; i < escaped.size() && chosen == std::string::npos; i++)
        if (std::isalnum(static_cast<unsigned char>(escaped[i])) && usable(i))
            chosen = i;
    for (size_t i = 0; i < escaped.size() && chosen == std::string::npos; i++)
        if (usable(i))
            chosen = i;
    if (chosen == std::string::npos)
        return escaped;
    *pUsed += static_cast<char>(std::toupper(static_cast<unsigned char>(escaped[chosen])));
    return escaped.substr(0, chosen) + '&' + escaped.substr(chosen);
}

QString PlainMenuText(const QString& sText)
{
    QString plain;
    for (qsizetype i = 0; i < sText.size(); i++) {
        if (sText[i] == '&' && i + 1 < sText.size())
            i++;
        plain += sText[i];
    }
    return plain;
}

namespace {

// Lets a lone Alt press and release open the menu bar, as on the desktops
// technicians know; the style the application runs otherwise stays.
class MenuBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint nHint, const QStyleOption* pOption, const QWidget* pWidget,
                  QStyleHintReturn* pReturn) const override
    {
        if (nHint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(nHint, pOption, pWidget, pReturn);
    }
};

// Mnemonics, Alt and F10 for a bar whose menus are built.
void MakeKeyboardReady(QMenuBar* pBar)
{
    auto* style = new MenuBarStyle;
    style->setParent(pBar);
    pBar->setStyle(style);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), pBar->window());
    QObject::connect(f10, &QShortcut::activated, pBar, [pBar] {
        const QList<QAction*> menus = pBar->actions();
        if (!menus.isEmpty())
            pBar->setActiveAction(menus.first());
    });
}

}  // namespace

MenuActions BuildSuiteMenu(QMenuBar* pBar, Program nSelf, const MenuItem* pItems, size_t uCount)
{
    MenuActions actions;
    std::map<std::string, QMenu*> menus;
    std::map<std::string, std::string> used;   // mnemonic letters taken, per menu ("" for the bar)
    for (size_t i = 0; i < uCount; i++) {
        const MenuItem& item = pItems[i];
        if (item.nAction == MENU_TOOL && item.nTool == nSelf)
            continue;
        const char* text = item.nAction == MENU_TOOL && item.szText == nullptr ? SuiteToolMenuText(item.nTool)
                                                                              : item.szText;
        QMenu*& menu = menus[item.szMenu];
        if (menu == nullptr) {
            menu = pBar->addMenu(QString::fromLocal8Bit(MnemonicText(item.szMenu, &used[""]).c_str()));
            menu->setObjectName(QString::fromLocal8Bit(item.szMenu));
        }
        QAction* action = menu->addAction(QString::fromLocal8Bit(MnemonicText(text, &used[item.szMenu]).c_str()));
        // The object name is the text as the program writes it.
        action->setObjectName(QString::fromLocal8Bit(text));
        WireAction(action, item);
        if (item.bSeparatorAfter)
            menu->addSeparator();
        actions[text] = action;
    }
    MakeKeyboardReady(pBar);
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
