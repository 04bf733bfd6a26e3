// The control seam (pages.h) over the configuration window's Qt controls.
//
// Every call runs on the window thread: directly there, and from a worker
// through RunOnWindowThread, which waits until the window thread has run
// it. Once the gate is shut (the window closed) a worker's calls do
// nothing and the getters answer the empty value (-1, false, "",
// 1970-01-01, "Home").
#pragma once

#include "pages.h"

class ConfigWindow;

class WindowPages : public ConfigPages {
public:
    explicit WindowPages(ConfigWindow* pWindow) : pWindow(pWindow) {}

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

private:
    ConfigWindow* pWindow;
};
