// The pages' resource: every control with its page, group, kind, caption and
// enabled state at creation; the page table; the attached page set.
#include <atomic>
#include <cstring>

#include "pages.h"

namespace {

constexpr bool ON = true;
constexpr bool OFF = false;

}  // namespace

// clang-format off
const ConfigControlInfo tConfigControls[CTL_COUNT] = {
    {CTL_MAIN_SENSOR,        PAGE_MAIN, CTL_KIND_EDIT, "", "Sensor", ON},
    {CTL_MAIN_VERSION,       PAGE_MAIN, CTL_KIND_EDIT, "", "Version", ON},
    {CTL_MAIN_SN,            PAGE_MAIN, CTL_KIND_EDIT, "", "S/N", ON},
    {CTL_MAIN_HARDWARE,      PAGE_MAIN, CTL_KIND_EDIT, "", "Hardware", ON},
    {CTL_MAIN_FIRMWARE,      PAGE_MAIN, CTL_KIND_EDIT, "", "Firmware", ON},
    {CTL_MAIN_MANUFACTURING, PAGE_MAIN, CTL_KIND_EDIT, "", "Manufacturing", ON},
    {CTL_MAIN_VISA,          PAGE_MAIN, CTL_KIND_EDIT, "", "Visa", ON},
    {CTL_MAIN_CONSO,         PAGE_MAIN, CTL_KIND_EDIT, "", "Estimated Consumption", ON},

    {CTL_SUMMARY_TEXT, PAGE_SUMMARY, CTL_KIND_TEXTBOX, "SUMMARY", "", ON},
    {CTL_SUMMARY_COPY, PAGE_SUMMARY, CTL_KIND_BUTTON, "SUMMARY", "Copy to clipbboard", ON},

    {CTL_OUT1_DISABLED, PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT1 (Analog)", "Disabled", ON},
    {CTL_OUT1_WIND,     PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT1 (Analog)", "Wind speed (Persistent, 0V to full-scale)", ON},
    {CTL_OUT1_PRIMARY,  PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT1 (Analog)", "Frs (Persistent, 0V to full-scale)", ON},
    {CTL_OUT1_PULSE,    PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT1 (Analog)", "Frs (Pulse, 0V to full-scale)", ON},
    {CTL_OUT1_HAIL,     PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT1 (Analog)", "Hailstone count (Persistent, 0V to full-scale)", ON},
    {CTL_OUT2_DISABLED, PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT2 (Analog)", "Disabled", ON},
    {CTL_OUT2_WIND,     PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT2 (Analog)", "Wind speed (Persistent, 0V to full-scale)", ON},
    {CTL_OUT2_PRIMARY,  PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT2 (Analog)", "Frs (Persistent, 0V to full-scale)", ON},
    {CTL_OUT2_PULSE,    PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT2 (Analog)", "Frs (Pulse, 0V to full-scale)", ON},
    {CTL_OUT2_HAIL,     PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT2 (Analog)", "Hailstone count (Persistent, 0V to full-scale)", ON},
    {CTL_OUT2_RAW,      PAGE_OUTPUTS, CTL_KIND_RADIO, "OUT2 (Analog)", "Raw signal (+/- 2.5 V)", ON},

    {CTL_PRIMARY_FS_LABEL,  PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "Frs full-scale", ON},
    {CTL_PRIMARY_RANGE,     PAGE_OUTPUTS, CTL_KIND_COMBO, "OUTPUT VOLTAGE  RANGES", "", ON},
    {CTL_PRIMARY_FS_EQUALS, PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "=", ON},
    {CTL_PRIMARY_FSCALE,    PAGE_OUTPUTS, CTL_KIND_EDIT, "OUTPUT VOLTAGE  RANGES", "", OFF},
    {CTL_PRIMARY_FS_UNIT,   PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "Frs", ON},
    {CTL_WIND_FS_LABEL,     PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "Wind speed full-scale", ON},
    {CTL_WIND_RANGE,        PAGE_OUTPUTS, CTL_KIND_COMBO, "OUTPUT VOLTAGE  RANGES", "", ON},
    {CTL_WIND_FS_EQUALS,    PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "=", ON},
    {CTL_WIND_FSCALE,       PAGE_OUTPUTS, CTL_KIND_EDIT, "OUTPUT VOLTAGE  RANGES", "", OFF},
    {CTL_WIND_FS_UNIT,      PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "km/h", ON},
    {CTL_HAIL_FS_LABEL,     PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "Hailstone count full-scale", ON},
    {CTL_HAIL_RANGE,        PAGE_OUTPUTS, CTL_KIND_COMBO, "OUTPUT VOLTAGE  RANGES", "", ON},
    {CTL_HAIL_FS_EQUALS,    PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "=", ON},
    {CTL_HAIL_FSCALE,       PAGE_OUTPUTS, CTL_KIND_EDIT, "OUTPUT VOLTAGE  RANGES", "", OFF},
    {CTL_HAIL_FS_UNIT,      PAGE_OUTPUTS, CTL_KIND_LABEL, "OUTPUT VOLTAGE  RANGES", "hit/s", ON},

    {CTL_PULSE_THLD, PAGE_OUTPUTS, CTL_KIND_EDIT, "PULSE SETTINGS", "Threshold (Frs)", ON},
    {CTL_PULSE_TO,   PAGE_OUTPUTS, CTL_KIND_EDIT, "PULSE SETTINGS", "Integrator timeout (s)", ON},
    {CTL_PULSE_LVL,  PAGE_OUTPUTS, CTL_KIND_COMBO, "PULSE SETTINGS", "Voltage", ON},
    {CTL_PULSE_MS,   PAGE_OUTPUTS, CTL_KIND_EDIT, "PULSE SETTINGS", "Duration (ms)", ON},

    {CTL_SDI12_DISABLED, PAGE_SDI12, CTL_KIND_RADIO, "SDI12", "Disabled", ON},
    {CTL_SDI12_WIND,     PAGE_SDI12, CTL_KIND_RADIO, "SDI12", "Wind speed only", ON},
    {CTL_SDI12_PRIMARY,  PAGE_SDI12, CTL_KIND_RADIO, "SDI12", "Frs only", ON},
    {CTL_SDI12_BOTH,     PAGE_SDI12, CTL_KIND_RADIO, "SDI12", "Wind speed and frs", ON},
    {CTL_SDI12_ADDR,     PAGE_SDI12, CTL_KIND_EDIT, "SDI12", "Sensor address", OFF},

    {CTL_SERIAL_DISABLED, PAGE_SERIAL, CTL_KIND_RADIO, "SERIAL", "Disabled", ON},
    {CTL_SERIAL_WIND,     PAGE_SERIAL, CTL_KIND_RADIO, "SERIAL", "Wind speed only", ON},
    {CTL_SERIAL_PRIMARY,  PAGE_SERIAL, CTL_KIND_RADIO, "SERIAL", "Frs only", ON},
    {CTL_SERIAL_BOTH,     PAGE_SERIAL, CTL_KIND_RADIO, "SERIAL", "Wind speed and frs", ON},
    {CTL_CONS_IDLE,       PAGE_SERIAL, CTL_KIND_EDIT, "CONSOLE", "Idle timeout(s)", ON},

    {CTL_LOGGER_DISABLED, PAGE_DATALOGGER, CTL_KIND_RADIO, "DATALOGGER", "Disabled", ON},
    {CTL_LOGGER_ENABLED,  PAGE_DATALOGGER, CTL_KIND_RADIO, "DATALOGGER", "Enabled", ON},
    {CTL_LOGGER_CYCLIC,   PAGE_DATALOGGER, CTL_KIND_RADIO, "DATALOGGER", "Cyclic", ON},
    {CTL_FIELD_0,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Frs min", ON},
    {CTL_FIELD_1,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Frs avg", ON},
    {CTL_FIELD_2,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Frs max", ON},
    {CTL_FIELD_3,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Frs std", ON},
    {CTL_FIELD_4,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Frs cum", ON},
    {CTL_FIELD_5,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Wind minimum (km/h)", ON},
    {CTL_FIELD_6,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Wind average (km/h)", ON},
    {CTL_FIELD_7,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Wind maximum (km/h)", ON},
    {CTL_FIELD_8,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Hailstone count (hit)", ON},
    {CTL_FIELD_9,  PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Hail mean rate (hit/s)", ON},
    {CTL_FIELD_10, PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Hail max rate (hit/s)", ON},
    {CTL_FIELD_11, PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Drop count (hit)", ON},
    {CTL_FIELD_12, PAGE_DATALOGGER, CTL_KIND_CHECK, "FIELDS", "Drop-size classes distribution (%)", ON},
    {CTL_LOGGER_STATUS, PAGE_DATALOGGER, CTL_KIND_LABEL, "", "", ON},

    {CTL_AVG_A, PAGE_AVERAGING, CTL_KIND_EDIT, "AVERAGING", "Acquisition duration \"A\" (s)", ON},
    {CTL_AVG_C, PAGE_AVERAGING, CTL_KIND_EDIT, "AVERAGING", "Cycle duration \"C\" (s)", ON},
    {CTL_AVG_D, PAGE_AVERAGING, CTL_KIND_EDIT, "AVERAGING", "Duty cycle \"D\" (%)", OFF},
    {CTL_AVG_M, PAGE_AVERAGING, CTL_KIND_EDIT, "AVERAGING", "Measurement duration \"M\" (s)", ON},

    {CTL_WIND_LIN_GROUP,    PAGE_EXPERT, CTL_KIND_GROUP, "", "WIND LINEARIZATION", ON},
    {CTL_LIN_WC1,           PAGE_EXPERT, CTL_KIND_EDIT, "WIND LINEARIZATION", "WC1", ON},
    {CTL_LIN_WC3,           PAGE_EXPERT, CTL_KIND_EDIT, "WIND LINEARIZATION", "WC3", ON},
    {CTL_LIN_WC4,           PAGE_EXPERT, CTL_KIND_EDIT, "WIND LINEARIZATION", "WC4", ON},
    {CTL_LIN_WC5,           PAGE_EXPERT, CTL_KIND_EDIT, "WIND LINEARIZATION", "WC5", ON},
    {CTL_LIN_WC6,           PAGE_EXPERT, CTL_KIND_EDIT, "WIND LINEARIZATION", "WC6", ON},
    {CTL_LIN_WE1,           PAGE_EXPERT, CTL_KIND_EDIT, "WIND LINEARIZATION", "WE1", ON},
    {CTL_LIN_WE2,           PAGE_EXPERT, CTL_KIND_EDIT, "WIND LINEARIZATION", "WE2", ON},
    {CTL_PRIMARY_LIN_GROUP, PAGE_EXPERT, CTL_KIND_GROUP, "", "X LINEARIZATION", ON},
    {CTL_LIN_XC1,           PAGE_EXPERT, CTL_KIND_EDIT, "X LINEARIZATION", "XC1", ON},
    {CTL_LIN_XE1,           PAGE_EXPERT, CTL_KIND_EDIT, "X LINEARIZATION", "XE1", ON},
    {CTL_SYS_SPEED,         PAGE_EXPERT, CTL_KIND_COMBO, "SYSTEM", "Clock frequency", ON},
    {CTL_SYS_CLK,           PAGE_EXPERT, CTL_KIND_COMBO, "SYSTEM", "Clock type", ON},
    {CTL_SYS_WATCHDOG,      PAGE_EXPERT, CTL_KIND_CHECK, "SYSTEM", "Enable hardware watchdog timer", ON},
    {CTL_EXPERT_THLD,       PAGE_EXPERT, CTL_KIND_EDIT, "MISCELLANEOUS", "Frs noise threshold (mV)", ON},
    {CTL_MISC_PWRDLY,       PAGE_EXPERT, CTL_KIND_EDIT, "MISCELLANEOUS", "Power delay before acquisition (ms)", ON},

    {CTL_SENS_VERSION,   PAGE_FACTORY, CTL_KIND_EDIT, "SENSOR", "Version", OFF},
    {CTL_SENS_DATE,      PAGE_FACTORY, CTL_KIND_DATE, "SENSOR", "Manufacturing", OFF},
    {CTL_SENS_SN,        PAGE_FACTORY, CTL_KIND_EDIT, "SENSOR", "Serial number", OFF},
    {CTL_HW_VERSION,     PAGE_FACTORY, CTL_KIND_EDIT, "HARDWARE", "Version", OFF},
    {CTL_HW_DATE,        PAGE_FACTORY, CTL_KIND_DATE, "HARDWARE", "Manufacturing", OFF},
    {CTL_CALIB_DATE,     PAGE_FACTORY, CTL_KIND_DATE, "CALIBRATION", "Calibration", OFF},
    {CTL_CALIB_PRIMARY,  PAGE_FACTORY, CTL_KIND_EDIT, "CALIBRATION", "Frs calibration factor", OFF},
    {CTL_CALIB_WIND,     PAGE_FACTORY, CTL_KIND_EDIT, "CALIBRATION", "Wind speed calibration factor", OFF},
    {CTL_FACTORY_UNLOCK, PAGE_FACTORY, CTL_KIND_BUTTON, "", "Unlock", ON},
};
// clang-format on

const DlgMainTabInfo tDlgMainTabInfo[PAGE_COUNT] = {
    {PAGE_HOME, "Home"},
    {PAGE_SUMMARY, "Summary"},
    {PAGE_OUTPUTS, "Outputs"},
    {PAGE_SDI12, "SDI12"},
    {PAGE_SERIAL, "Serial"},
    {PAGE_DATALOGGER, "Datalogger"},
    {PAGE_AVERAGING, "Averaging"},
    {PAGE_EXPERT, "Expert"},
    {PAGE_FACTORY, "Factory"},
};

const DlgMainTabInfo* DlgMainGetTabInfo(const char* szName)
{
    for (const DlgMainTabInfo& row : tDlgMainTabInfo)
        if (std::strcmp(row.szName, szName) == 0)
            return &row;
    return nullptr;
}

CtlId ConfigFindControl(int nPage, const char* szGroup, const char* szCaption)
{
    for (const ConfigControlInfo& c : tConfigControls) {
        if (c.nPage == nPage && std::strcmp(c.szCaption, szCaption) == 0 &&
            (szGroup == nullptr || std::strcmp(c.szGroup, szGroup) == 0))
            return c.nId;
    }
    return CTL_NONE;
}

namespace {

// An empty page set until one is attached: every call is a no-op, so a
// stray call before the program attached its pages cannot crash.
class NoPages : public ConfigPages {
public:
    std::string Text(CtlId) override { return {}; }
    void SetText(CtlId, const std::string&) override {}
    bool Checked(CtlId) override { return false; }
    void SetChecked(CtlId, bool) override {}
    int Selected(CtlId) override { return -1; }
    void SetSelected(CtlId, int) override {}
    void SetItems(CtlId, const std::vector<std::string>&) override {}
    ConfigDate Date(CtlId) override { return {}; }
    void SetDate(CtlId, const ConfigDate&) override {}
    std::string Caption(CtlId) override { return {}; }
    void SetCaption(CtlId, const std::string&) override {}
    bool Enabled(CtlId) override { return false; }
    void SetEnabled(CtlId, bool) override {}
    bool Visible(CtlId) override { return false; }
    void SetVisible(CtlId, bool) override {}
    void SetFocus(CtlId) override {}
    int SelectedTab() override { return PAGE_HOME; }
    void SelectTab(int) override {}
    void SetConnected(bool) override {}
};

NoPages tNoPages;
std::atomic<ConfigPages*> pAttachedPages{&tNoPages};

}  // namespace

void ConfigAttachPages(ConfigPages* pPages)
{
    pAttachedPages = pPages != nullptr ? pPages : &tNoPages;
}

ConfigPages& Pages()
{
    return *pAttachedPages.load();
}

std::string PageText(CtlId nId)
{
    std::string s = Pages().Text(nId);
    if (s.size() > CONFIG_VALUE_MAX)
        s.resize(CONFIG_VALUE_MAX);
    return s;
}
