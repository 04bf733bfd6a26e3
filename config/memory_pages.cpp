#include "memory_pages.h"

MemoryPages::MemoryPages()
{
    for (const ConfigControlInfo& c : tConfigControls) {
        tControls[c.nId].sCaption = c.szCaption;
        tControls[c.nId].bEnabled = c.bEnabled;
    }
}

MemoryPages::Control& MemoryPages::At(CtlId nId)
{
    if (nId < 0 || nId >= CTL_COUNT) {
        tScratch = Control();
        return tScratch;
    }
    return tControls[nId];
}

std::string MemoryPages::Text(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).sText;
}

void MemoryPages::SetText(CtlId nId, const std::string& sText)
{
    std::lock_guard<std::mutex> lock(mLock);
    At(nId).sText = sText;
}

bool MemoryPages::Checked(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).bChecked;
}

void MemoryPages::SetChecked(CtlId nId, bool bChecked)
{
    std::lock_guard<std::mutex> lock(mLock);
    At(nId).bChecked = bChecked;
}

int MemoryPages::Selected(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).nSelected;
}

void MemoryPages::SetSelected(CtlId nId, int nIndex)
{
    std::lock_guard<std::mutex> lock(mLock);
    Control& c = At(nId);
    c.nSelected = nIndex >= 0 && static_cast<size_t>(nIndex) < c.vItems.size() ? nIndex : -1;
}

void MemoryPages::SetItems(CtlId nId, const std::vector<std::string>& vItems)
{
    std::lock_guard<std::mutex> lock(mLock);
    Control& c = At(nId);
    c.vItems = vItems;
    c.nSelected = -1;
}

std::vector<std::string> MemoryPages::Items(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).vItems;
}

ConfigDate MemoryPages::Date(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).tDate;
}

void MemoryPages::SetDate(CtlId nId, const ConfigDate& tDate)
{
    std::lock_guard<std::mutex> lock(mLock);
    At(nId).tDate = tDate;
}

std::string MemoryPages::Caption(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).sCaption;
}

void MemoryPages::SetCaption(CtlId nId, const std::string& sCaption)
{
    std::lock_guard<std::mutex> lock(mLock);
    At(nId).sCaption = sCaption;
}

bool MemoryPages::Enabled(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).bEnabled;
}

void MemoryPages::SetEnabled(CtlId nId, bool bEnabled)
{
    std::lock_guard<std::mutex> lock(mLock);
    At(nId).bEnabled = bEnabled;
}

bool MemoryPages::Visible(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    return At(nId).bVisible;
}

void MemoryPages::SetVisible(CtlId nId, bool bVisible)
{
    std::lock_guard<std::mutex> lock(mLock);
    At(nId).bVisible = bVisible;
}

int MemoryPages::SelectedTab()
{
    std::lock_guard<std::mutex> lock(mLock);
    return nTab;
}

void MemoryPages::SelectTab(int nIndex)
{
    std::lock_guard<std::mutex> lock(mLock);
    // Only "Home" exists while disconnected, as on the window's tab strip.
    const int last = bConnected ? PAGE_COUNT - 1 : PAGE_HOME;
    if (nIndex >= PAGE_HOME && nIndex <= last)
        nTab = nIndex;
}

void MemoryPages::SetConnected(bool bNow)
{
    std::lock_guard<std::mutex> lock(mLock);
    bConnected = bNow;
    if (!bNow)
        nTab = PAGE_HOME;
}

bool MemoryPages::Connected()
{
    std::lock_guard<std::mutex> lock(mLock);
    return bConnected;
}

void MemoryPages::SetFocus(CtlId nId)
{
    std::lock_guard<std::mutex> lock(mLock);
    nFocus = nId;
}

CtlId MemoryPages::Focused()
{
    std::lock_guard<std::mutex> lock(mLock);
    return nFocus;
}
