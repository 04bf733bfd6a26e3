// Finding a window's controls in tests by their fixed object names, with a
// test failure (not a crash) when one is missing.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QMenu;
class QMenuBar;

// The child of pRoot named szName, of type T; fails the current test and
// returns nullptr when there is none.
template <typename T>
T* FindChild(const QWidget* pRoot, const char* szName)
{
    T* w = pRoot != nullptr ? pRoot->findChild<T*>(QString::fromLatin1(szName)) : nullptr;
    EXPECT_NE(w, nullptr) << "no control named '" << szName << "'";
    return w;
}

// The text a label, button or line edit shows ("" when the control is missing).
std::string ControlText(const QWidget* pRoot, const char* szName);

// Clicks a button as the user does (enabled and visible), processing events.
void ClickButton(const QWidget* pRoot, const char* szName);

// The items of a menu as the user reads them (PlainMenuText), separators as "-".
std::vector<std::string> MenuItemTexts(const QMenu* pMenu);
// A whole menu bar: each menu as "[File]" followed by its MenuItemTexts.
std::vector<std::string> MenuListing(const QMenuBar* pBar);
