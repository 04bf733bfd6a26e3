// VARN-Toolbox's window: the suite's start menu. Three groups of items (an
// icon, a bold blue title and a description each); the pointer is a hand
// over an item, and a click on any of its parts runs it. Built on the tool
// window kit for its menu and start-up (it has no port, no worker).
#pragma once

#include <QPixmap>

#include "toolbox_items.h"
#include "toolwindow.h"

class QLabel;

class ToolboxWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit ToolboxWindow(QWidget* pParent = nullptr);

    // Runs item i as a click on it does. A started tool ends the launcher.
    void RunItem(size_t i);
    // The pointer shape at a point of the client area (the central widget).
    Qt::CursorShape CursorAt(const QPoint& pt) const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void DeclareAreas();

    bool bAreasDeclared = false;
    QWidget* pClient = nullptr;
    QLabel* tControls[TOOLBOX_ITEM_COUNT][3] = {};
};

// The item's 32x32 picture (drawn, so every screen scale stays sharp).
QPixmap ToolboxIcon(size_t uItem, qreal rScale = 1.0);
