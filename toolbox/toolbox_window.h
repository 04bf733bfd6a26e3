// VARN-Toolbox's window: the suite's start menu. Three groups of items (an
// icon, a bold blue title and a description each); the pointer is a hand
// over an item, and a click on any of its parts runs it. Built on the tool
// window kit for its menu and start-up (it has no port, no worker).
#pragma once

#include <QPixmap>

#include "toolbox_items.h"
#include "toolwindow.h"

class QKeyEvent;
class QLabel;

class ToolboxWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit ToolboxWindow(QWidget* pParent = nullptr);

    // Runs item i as a click on it does. A started tool ends the launcher.
    void RunItem(size_t i);
    // The pointer shape at a point of the client area (the central widget).
    Qt::CursorShape CursorAt(const QPoint& pt) const;

    // The titles' colour on the window's palette: the blue on a light one,
    // the palette's link colour (made readable) on a dark one.
    QColor TitleColor() const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    void DeclareAreas();
    // Title colours and icons for the current palette.
    void ApplyPalette();
    // The keyboard on a focused title: Tab and the arrows move between the
    // items, Enter and Space run the focused one.
    bool TitleKey(size_t uItem, QKeyEvent* pKey);

    bool bAreasDeclared = false;
    QWidget* pClient = nullptr;
    QLabel* tControls[TOOLBOX_ITEM_COUNT][3] = {};
};

// The item's 32x32 picture (drawn, so every screen scale stays sharp). On
// a dark window the picture stands on a light tile, so that its dark
// strokes keep their contrast.
QPixmap ToolboxIcon(size_t uItem, qreal rScale = 1.0, bool bDarkWindow = false);
