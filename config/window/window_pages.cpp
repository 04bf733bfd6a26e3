#include "window_pages.h"

#include "config_window.h"
#include "page_controls.h"
#include "windowthread.h"

namespace {

// fn's answer, computed on the window thread; empty when the gate is shut.
template <typename R, typename Fn>
R Ask(R empty, Fn fn)
{
    R result = empty;
    RunOnWindowThread([&] { result = fn(); });
    return result;
}

// A control's state on the window thread; empty for an id that names no
// control.
template <typename R, typename Fn>
R Get(ConfigWindow* pWindow, CtlId nId, R empty, Fn fn)
{
    return Ask(empty, [&] {
        const PageControl* c = pWindow->Control(nId);
        return c != nullptr ? fn(*c) : empty;
    });
}

template <typename Fn>
void Set(ConfigWindow* pWindow, CtlId nId, Fn fn)
{
    RunOnWindowThread([&] {
        if (const PageControl* c = pWindow->Control(nId))
            fn(*c);
    });
}

}  // namespace

std::string WindowPages::Text(CtlId nId)
{
    return Get(pWindow, nId, std::string(), ControlText);
}

void WindowPages::SetText(CtlId nId, const std::string& sText)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlText(c, sText); });
}

bool WindowPages::Checked(CtlId nId)
{
    return Get(pWindow, nId, false, ControlChecked);
}

void WindowPages::SetChecked(CtlId nId, bool bChecked)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlChecked(c, bChecked); });
}

int WindowPages::Selected(CtlId nId)
{
    return Get(pWindow, nId, -1, ControlSelected);
}

void WindowPages::SetSelected(CtlId nId, int nIndex)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlSelected(c, nIndex); });
}

void WindowPages::SetItems(CtlId nId, const std::vector<std::string>& vItems)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlItems(c, vItems); });
}

ConfigDate WindowPages::Date(CtlId nId)
{
    return Get(pWindow, nId, ConfigDate(), ControlDate);
}

void WindowPages::SetDate(CtlId nId, const ConfigDate& tDate)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlDate(c, tDate); });
}

std::string WindowPages::Caption(CtlId nId)
{
    return Get(pWindow, nId, std::string(), ControlCaption);
}

void WindowPages::SetCaption(CtlId nId, const std::string& sCaption)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlCaption(c, sCaption); });
}

bool WindowPages::Enabled(CtlId nId)
{
    return Get(pWindow, nId, false, ControlEnabled);
}

void WindowPages::SetEnabled(CtlId nId, bool bEnabled)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlEnabled(c, bEnabled); });
}

bool WindowPages::Visible(CtlId nId)
{
    return Get(pWindow, nId, false, ControlVisible);
}

void WindowPages::SetVisible(CtlId nId, bool bVisible)
{
    Set(pWindow, nId, [&](const PageControl& c) { SetControlVisible(c, bVisible); });
}

void WindowPages::SetFocus(CtlId nId)
{
    Set(pWindow, nId, [](const PageControl& c) { SetControlFocus(c); });
}

int WindowPages::SelectedTab()
{
    return Ask(static_cast<int>(PAGE_HOME), [&] { return pWindow->DlgMainSelectedTab(); });
}

void WindowPages::SelectTab(int nIndex)
{
    RunOnWindowThread([&] { pWindow->DlgMainTabSelect(nIndex); });
}

void WindowPages::SetConnected(bool bConnected)
{
    RunOnWindowThread([&] { pWindow->DlgMainSetConnected(bConnected); });
}
