// The configuration pages as the configuration model: the control seam.
//
// There is no record of parameter values beside the pages. The load writes
// every value into its control, the send and the file export read it back
// from there, so what goes to the sensor is what the user sees. Everything
// that touches the pages (codecs, kind adaptation, load, send, the derived
// figures, the factory status, export and import) is written once against
// ConfigPages, an interface that names every control of the nine pages and
// of the main window's identity fields (CtlId, by page and caption) and
// offers the handful of operations they need: text, checked, selected
// index, list items, date, caption, enabled, visible, the selected tab and
// the connection state.
//
// Two implementations:
//  - the Qt pages of the window: every call runs on the window thread
//    (RunOnWindowThread); the workers call from their own thread and wait;
//    once the window is gone the calls do nothing and getters answer the
//    empty value;
//  - MemoryPages (memory_pages.h): plain values behind a lock, used by
//    varn and the tests.
//
// The control table (tConfigControls) is the pages' resource: page, group,
// kind, caption and enabled state at creation. A window builds its widgets
// from it (or checks its layout against it), and ConfigRestoreCreation puts
// captions, enabled and visible states back as created before a load
// adapts the pages to a sensor kind.
//
// Conventions of the seam:
//  - radio buttons are set one by one; the codecs clear a whole group and
//    then check one button, so an implementation with exclusive groups must
//    let a group be cleared (no button checked);
//  - Selected answers -1 when no entry is selected; SetSelected with an
//    index outside the list selects nothing;
//  - texts are UTF-8; Text of a text box answers its whole content, callers
//    cut it (CONFIG_VALUE_MAX);
//  - Caption of an edit box, combo or date picker is the label written
//    beside it; of a button or group box its own text;
//  - a change the user makes is followed by ConfigPageReaction (derived.h),
//    which updates the derived figures; the core's own writes are not (the
//    load and import call the updates themselves), so a window connects the
//    reactions to user signals only (clicked, edited, activated).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Tab positions, equal to the rows of the page table.
enum ConfigPage : int {
    PAGE_MAIN = -1,   // the main window's identity fields, not a tab
    PAGE_HOME = 0,
    PAGE_SUMMARY,
    PAGE_OUTPUTS,
    PAGE_SDI12,
    PAGE_SERIAL,
    PAGE_DATALOGGER,
    PAGE_AVERAGING,
    PAGE_EXPERT,
    PAGE_FACTORY,
    PAGE_COUNT
};

enum CtlKind : int {
    CTL_KIND_LABEL,     // static text
    CTL_KIND_GROUP,     // group box title
    CTL_KIND_BUTTON,    // push button
    CTL_KIND_RADIO,
    CTL_KIND_CHECK,
    CTL_KIND_EDIT,      // one-line field
    CTL_KIND_TEXTBOX,   // multi-line read-only box
    CTL_KIND_COMBO,     // drop-down list
    CTL_KIND_DATE,      // date picker
};

// Every control the core reads or writes, page by page.
enum CtlId : int {
    CTL_NONE = -1,
    // Main window identity fields.
    CTL_MAIN_SENSOR = 0,
    CTL_MAIN_VERSION,
    CTL_MAIN_SN,
    CTL_MAIN_HARDWARE,
    CTL_MAIN_FIRMWARE,
    CTL_MAIN_MANUFACTURING,
    CTL_MAIN_VISA,
    CTL_MAIN_CONSO,
    // Summary.
    CTL_SUMMARY_TEXT,
    CTL_SUMMARY_COPY,
    // Outputs: the two radio groups.
    CTL_OUT1_DISABLED,
    CTL_OUT1_WIND,
    CTL_OUT1_PRIMARY,
    CTL_OUT1_PULSE,
    CTL_OUT1_HAIL,
    CTL_OUT2_DISABLED,
    CTL_OUT2_WIND,
    CTL_OUT2_PRIMARY,
    CTL_OUT2_PULSE,
    CTL_OUT2_HAIL,
    CTL_OUT2_RAW,
    // Outputs: the three full-scale rows (label, range list, "=", value, unit).
    CTL_PRIMARY_FS_LABEL,
    CTL_PRIMARY_RANGE,
    CTL_PRIMARY_FS_EQUALS,
    CTL_PRIMARY_FSCALE,
    CTL_PRIMARY_FS_UNIT,
    CTL_WIND_FS_LABEL,
    CTL_WIND_RANGE,
    CTL_WIND_FS_EQUALS,
    CTL_WIND_FSCALE,
    CTL_WIND_FS_UNIT,
    CTL_HAIL_FS_LABEL,
    CTL_HAIL_RANGE,
    CTL_HAIL_FS_EQUALS,
    CTL_HAIL_FSCALE,
    CTL_HAIL_FS_UNIT,
    // Outputs: pulse settings.
    CTL_PULSE_THLD,
    CTL_PULSE_TO,
    CTL_PULSE_LVL,
    CTL_PULSE_MS,
    // SDI12.
    CTL_SDI12_DISABLED,
    CTL_SDI12_WIND,
    CTL_SDI12_PRIMARY,
    CTL_SDI12_BOTH,
    CTL_SDI12_ADDR,
    // Serial.
    CTL_SERIAL_DISABLED,
    CTL_SERIAL_WIND,
    CTL_SERIAL_PRIMARY,
    CTL_SERIAL_BOTH,
    CTL_CONS_IDLE,
    // Datalogger: mode, the thirteen field boxes (bit 0 first), status line.
    CTL_LOGGER_DISABLED,
    CTL_LOGGER_ENABLED,
    CTL_LOGGER_CYCLIC,
    CTL_FIELD_0,
    CTL_FIELD_1,
    CTL_FIELD_2,
    CTL_FIELD_3,
    CTL_FIELD_4,
    CTL_FIELD_5,
    CTL_FIELD_6,
    CTL_FIELD_7,
    CTL_FIELD_8,
    CTL_FIELD_9,
    CTL_FIELD_10,
    CTL_FIELD_11,
    CTL_FIELD_12,
    CTL_LOGGER_STATUS,
    // Averaging.
    CTL_AVG_A,
    CTL_AVG_C,
    CTL_AVG_D,
    CTL_AVG_M,
    // Expert.
    CTL_WIND_LIN_GROUP,
    CTL_LIN_WC1,
    CTL_LIN_WC3,
    CTL_LIN_WC4,
    CTL_LIN_WC5,
    CTL_LIN_WC6,
    CTL_LIN_WE1,
    CTL_LIN_WE2,
    CTL_PRIMARY_LIN_GROUP,
    CTL_LIN_XC1,
    CTL_LIN_XE1,
    CTL_SYS_SPEED,
    CTL_SYS_CLK,
    CTL_SYS_WATCHDOG,
    CTL_EXPERT_THLD,
    CTL_MISC_PWRDLY,
    // Factory.
    CTL_SENS_VERSION,
    CTL_SENS_DATE,
    CTL_SENS_SN,
    CTL_HW_VERSION,
    CTL_HW_DATE,
    CTL_CALIB_DATE,
    CTL_CALIB_PRIMARY,
    CTL_CALIB_WIND,
    CTL_FACTORY_UNLOCK,
    CTL_COUNT
};

// One control as the pages create it.
struct ConfigControlInfo {
    CtlId nId;
    int nPage;              // ConfigPage
    CtlKind nKind;
    const char* szGroup;    // the group box it sits in, "" for none
    const char* szCaption;  // its caption at creation (see above)
    bool bEnabled;          // enabled at creation (every control is visible)
};

// Indexed by CtlId.
extern const ConfigControlInfo tConfigControls[CTL_COUNT];

// The control named by page, group and caption as created; CTL_NONE when
// there is none. szGroup may be null to match any group (first match).
CtlId ConfigFindControl(int nPage, const char* szGroup, const char* szCaption);

// The page table of the main window: tab position and name.
struct DlgMainTabInfo {
    int nIndex;
    const char* szName;
};
extern const DlgMainTabInfo tDlgMainTabInfo[PAGE_COUNT];

// The row whose name equals szName exactly, or null.
const DlgMainTabInfo* DlgMainGetTabInfo(const char* szName);

// A picker's date; only year, month and day count.
struct ConfigDate {
    int nYear = 1970;
    int nMonth = 1;
    int nDay = 1;
    bool operator==(const ConfigDate&) const = default;
};

class ConfigPages {
public:
    virtual ~ConfigPages() = default;

    virtual std::string Text(CtlId nId) = 0;
    virtual void SetText(CtlId nId, const std::string& sText) = 0;
    virtual bool Checked(CtlId nId) = 0;
    virtual void SetChecked(CtlId nId, bool bChecked) = 0;
    virtual int Selected(CtlId nId) = 0;
    virtual void SetSelected(CtlId nId, int nIndex) = 0;
    // Replaces a list's entries; nothing is selected afterwards.
    virtual void SetItems(CtlId nId, const std::vector<std::string>& vItems) = 0;
    virtual ConfigDate Date(CtlId nId) = 0;
    virtual void SetDate(CtlId nId, const ConfigDate& tDate) = 0;
    virtual std::string Caption(CtlId nId) = 0;
    virtual void SetCaption(CtlId nId, const std::string& sCaption) = 0;
    virtual bool Enabled(CtlId nId) = 0;
    virtual void SetEnabled(CtlId nId, bool bEnabled) = 0;
    virtual bool Visible(CtlId nId) = 0;
    virtual void SetVisible(CtlId nId, bool bVisible) = 0;

    // Puts the keyboard focus on the control (a field the user must mend).
    virtual void SetFocus(CtlId nId) = 0;

    // The tab strip: the selected tab (ConfigPage) and selecting one.
    virtual int SelectedTab() = 0;
    virtual void SelectTab(int nIndex) = 0;
    // The window's connected or disconnected controls (menus, buttons, tab
    // strip, identity fields); the core adds the factory status.
    virtual void SetConnected(bool bConnected) = 0;
};

// The pages every function of the configuration works on, set once by the
// program (window or varn) or per test before any worker starts.
void ConfigAttachPages(ConfigPages* pPages);
ConfigPages& Pages();

// Longest text taken from a control, as the 2048-byte buffers allow.
constexpr size_t CONFIG_VALUE_MAX = 2047;

// A control's text cut to CONFIG_VALUE_MAX bytes.
std::string PageText(CtlId nId);

// The steps of window creation that concern the pages: the three list
// fillers on their combos (range lists on the primary, wind and hail ranges
// and the pulse voltage; clock frequency; clock type).
void ConfigPagesCreate();
