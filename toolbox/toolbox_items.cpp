#include "toolbox_items.h"

#include "log.h"

const ToolboxItem tToolboxItems[TOOLBOX_ITEM_COUNT] = {
    {"UTILITIES", "Configuration", "Graphical interface", TOOLBOX_START_TOOL, PROGRAM_CONFIG},
    {"UTILITIES", "Scope", "Simple scope", TOOLBOX_START_TOOL, PROGRAM_SCOPE},
    {"UTILITIES", "Datalogger", "Datalogger downloader", TOOLBOX_START_TOOL, PROGRAM_DATALOGGER},
    {"UTILITIES", "Terminal", "Command terminal", TOOLBOX_START_TOOL, PROGRAM_TERMINAL},
    {"UTILITIES", "Flash", "Firmware loader utility", TOOLBOX_START_TOOL, PROGRAM_FLASH},
    {"UPDATE", "Update", "Live update utility", TOOLBOX_CHECK_UPDATE, PROGRAM_COUNT},
    {"RESOURCES", "Manual", "Sensor user guide", TOOLBOX_OPEN_MANUAL, PROGRAM_COUNT},
    {"RESOURCES", "Programming Examples", "Source code examples", TOOLBOX_OPEN_EXAMPLES, PROGRAM_COUNT},
};

ItemArea ItemAreas[TOOLBOX_MAX_AREAS];
unsigned nItemAreas = 0;

int DeclareItemArea(int nId, const void* hWnd, const AreaRect& rArea, int bHighlight)
{
    if (nItemAreas >= TOOLBOX_MAX_AREAS)
        return Error("Too many area declared");
    ItemAreas[nItemAreas] = ItemArea{nId, hWnd, rArea, bHighlight};
    nItemAreas++;
    return 1;
}

void ClearItemAreas()
{
    nItemAreas = 0;
}

const ItemArea* ItemAreaAt(int x, int y)
{
    for (unsigned i = 0; i < nItemAreas; i++) {
        if (ItemAreas[i].rArea.Contains(x, y))
            return &ItemAreas[i];
    }
    return nullptr;
}
