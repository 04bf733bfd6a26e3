// The configuration pages without a window: plain values behind one lock,
// for varn and the tests. A new set is in the pages' creation state
// (captions and enabled states of the control table, everything visible,
// texts empty, nothing checked, lists empty, dates 1970-01-01, tab "Home",
// disconnected); ConfigPagesCreate then fills the lists as the window does.
//
// Every member may be called from any thread.
#pragma once

#include <array>
#include <mutex>

#include "pages.h"

class MemoryPages : public ConfigPages {
public:
    MemoryPages();

    std::string Text(CtlId nId) override;
    void SetText(CtlId nId, const std::string& sText) override;
    bool Checked(CtlId nId) override;
    void SetChecked(CtlId nId, bool bChecked) override;
    int Selected(CtlId nId) override;
    void SetSelected(CtlId nId, int nIndex) override;
    void SetItems(CtlId nId, const std::vector<std::string>& vItems) override;
    ConfigDate Date(CtlId nId) override;
    void SetDate(CtlId nId, const ConfigDate& tDate) override;
    std::string Caption(CtlId nId) override;
    void SetCaption(CtlId nId, const std::string& sCaption) override;
    bool Enabled(CtlId nId) override;
    void SetEnabled(CtlId nId, bool bEnabled) override;
    bool Visible(CtlId nId) override;
    void SetVisible(CtlId nId, bool bVisible) override;
    void SetFocus(CtlId nId) override;
    int SelectedTab() override;
    void SelectTab(int nIndex) override;
    void SetConnected(bool bConnected) override;

    bool Connected();
    // The control that has the focus (CTL_NONE until one was given it).
    CtlId Focused();
    // The list's entries (tests).
    std::vector<std::string> Items(CtlId nId);

private:
    struct Control {
        std::string sText;
        std::string sCaption;
        bool bChecked = false;
        int nSelected = -1;
        std::vector<std::string> vItems;
        ConfigDate tDate;
        bool bEnabled = true;
        bool bVisible = true;
    };
    // The control's state, or a scratch one for an id out of range.
    Control& At(CtlId nId);

    std::mutex mLock;
    std::array<Control, CTL_COUNT> tControls;
    Control tScratch;
    int nTab = PAGE_HOME;
    CtlId nFocus = CTL_NONE;
    bool bConnected = false;
};
