// The launcher's items and its clickable areas, without a window.
//
// Each item is three controls (title, description, icon), each declared as
// an area in the item table's order, title first. The pointer is a hand
// over any declared area (first hit in declaration order wins) and an arrow
// elsewhere; a click on any of an item's three controls runs the item.
#pragma once

#include <cstddef>

#include "profile.h"

enum ToolboxAction {
    TOOLBOX_START_TOOL = 0,   // ExecTools with the program, then the launcher ends
    TOOLBOX_OPEN_MANUAL,      // OpenDoc with the user guide; stays open
    TOOLBOX_OPEN_EXAMPLES,    // OpenDir on szProgExampleDir; stays open
    TOOLBOX_CHECK_UPDATE,     // ExecTools with the updater and "check"; stays open
};

struct ToolboxItem {
    const char* szGroup;        // "UTILITIES", "RESOURCES", "UPDATE"
    const char* szTitle;        // drawn bold and blue
    const char* szDescription;
    ToolboxAction nAction;
    Program nTool;              // TOOLBOX_START_TOOL: the program started
};

// The eight items in declaration order: Configuration, Scope, Datalogger,
// Terminal, Flash, Update, Manual, Programming Examples.
constexpr size_t TOOLBOX_ITEM_COUNT = 8;
extern const ToolboxItem tToolboxItems[TOOLBOX_ITEM_COUNT];

// A rectangle in the main window's client coordinates; right and bottom are
// exclusive.
struct AreaRect {
    int nLeft = 0, nTop = 0, nRight = 0, nBottom = 0;
    bool Contains(int x, int y) const { return x >= nLeft && x < nRight && y >= nTop && y < nBottom; }
};

struct ItemArea {
    int nId;          // the control's identifier: item index * 3 + (0 title, 1 description, 2 icon)
    const void* hWnd; // the control
    AreaRect rArea;
    int bHighlight;   // 1 for an item's title (drawn blue)
};

constexpr size_t TOOLBOX_MAX_AREAS = 32;

// The declared areas; nItemAreas of them are used.
extern ItemArea ItemAreas[TOOLBOX_MAX_AREAS];
extern unsigned nItemAreas;

// Appends an area; 1, or 0 after reporting "Too many area declared" when
// the table already holds TOOLBOX_MAX_AREAS.
int DeclareItemArea(int nId, const void* hWnd, const AreaRect& rArea, int bHighlight);
// Empties the table (a new window declares its areas again).
void ClearItemAreas();

// The first declared area that holds the point, or nullptr.
const ItemArea* ItemAreaAt(int x, int y);

// The item a control identifier belongs to.
inline size_t ItemOfControl(int nId)
{
    return static_cast<size_t>(nId) / 3;
}
