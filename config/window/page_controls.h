// The Qt widgets behind one control of the configuration pages, made from
// its row of the control table, and the seam's operations on them.
//
// A control is its widget plus, for a field, list or date picker, the
// label written beside it (its caption). Enabling, disabling, showing and
// hiding apply to both; the getters answer the control's own state, not
// that of its page (a page that is not in the tab strip is still
// "visible", a control of a disabled window still "enabled"), as the
// control table means it.
//
// Every function runs on the window thread (the seam, window_pages.h,
// takes the workers' calls there).
#pragma once

#include <string>
#include <vector>

#include "pages.h"

class QLabel;
class QWidget;

struct PageControl {
    CtlId nId = CTL_NONE;
    CtlKind nKind = CTL_KIND_LABEL;
    QWidget* pWidget = nullptr;
    QLabel* pCaption = nullptr;   // the label beside a field, list or date picker; may be null
};

// Creates the widget of nId (and its caption label when the row has a
// caption and the kind takes one) as children of pParent, in the state of
// the table's row: caption, enabled state, visible. The user's changes are
// connected to ConfigPageReaction (clicks of buttons and boxes, edits of a
// field's text, a choice in a list); the core's own writes do not react.
// The object name is "ctl" followed by the id, so that tests and tool tips
// find every control.
PageControl MakePageControl(CtlId nId, QWidget* pParent);

// The object name MakePageControl gives a control.
std::string PageControlName(CtlId nId);

// The seam's operations (pages.h) on one control. Getters of a control
// that has no such state answer the empty value.
std::string ControlText(const PageControl& c);
void SetControlText(const PageControl& c, const std::string& sText);
bool ControlChecked(const PageControl& c);
// A radio button may be cleared: its group is left with none checked.
void SetControlChecked(const PageControl& c, bool bChecked);
int ControlSelected(const PageControl& c);
void SetControlSelected(const PageControl& c, int nIndex);
void SetControlItems(const PageControl& c, const std::vector<std::string>& vItems);
ConfigDate ControlDate(const PageControl& c);
void SetControlDate(const PageControl& c, const ConfigDate& tDate);
std::string ControlCaption(const PageControl& c);
void SetControlCaption(const PageControl& c, const std::string& sCaption);
bool ControlEnabled(const PageControl& c);
void SetControlEnabled(const PageControl& c, bool bEnabled);
bool ControlVisible(const PageControl& c);
void SetControlVisible(const PageControl& c, bool bVisible);
// Gives the control the keyboard focus, its text selected (a field to mend).
void SetControlFocus(const PageControl& c);
