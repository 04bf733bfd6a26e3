#include "window_probe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include "suitemenu.h"

std::string ControlText(const QWidget* pRoot, const char* szName)
{
    QWidget* w = FindChild<QWidget>(pRoot, szName);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text().toStdString();
    return std::string();
}

void ClickButton(const QWidget* pRoot, const char* szName)
{
    auto* button = FindChild<QAbstractButton>(pRoot, szName);
    if (button == nullptr)
        return;
    EXPECT_TRUE(button->isEnabled()) << szName << " is disabled";
    button->click();
    QApplication::processEvents();
}

std::vector<std::string> MenuItemTexts(const QMenu* pMenu)
{
    std::vector<std::string> texts;
    for (QAction* a : pMenu->actions())
        texts.push_back(a->isSeparator() ? "-" : PlainMenuText(a->text()).toStdString());
    return texts;
}

std::vector<std::string> MenuListing(const QMenuBar* pBar)
{
    std::vector<std::string> all;
    for (QAction* menu : pBar->actions()) {
        all.push_back("[" + PlainMenuText(menu->text()).toStdString() + "]");
        for (const std::string& item : MenuItemTexts(menu->menu()))
            all.push_back(item);
    }
    return all;
}
