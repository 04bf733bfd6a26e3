#include "derived.h"

#include <charconv>
#include <climits>
#include <cstdio>

#include "param_table.h"
#include "sensor_kind.h"
#include "textutil.h"

namespace {

// Clock frequency in MHz by the position in "Clock frequency"; no
// selection counts as 8 MHz.
float ClockMhz(int nSelected)
{
    static const float tMhz[] = {4.0f, 8.0f, 16.0f, 32.0f};
    return nSelected >= 0 && nSelected < 4 ? tMhz[nSelected] : 8.0f;
}

// Every output choice that drives the analogue outputs.
constexpr CtlId tOutputsOn[] = {CTL_OUT1_WIND, CTL_OUT1_PRIMARY, CTL_OUT1_PULSE, CTL_OUT1_HAIL,
                                CTL_OUT2_WIND, CTL_OUT2_PRIMARY, CTL_OUT2_PULSE, CTL_OUT2_HAIL,
                                CTL_OUT2_RAW};

constexpr unsigned LOGGER_BLOCK_BYTES = 65536;
constexpr unsigned LOGGER_RECORD_BASE = 4;      // time stamp
constexpr unsigned LOGGER_FIELD_BYTES = 4;      // each of the first twelve fields
constexpr unsigned LOGGER_CLASSES_BYTES = 27;   // the classes distribution (thirteenth field)
constexpr unsigned LOGGER_BLOCKS_ON = 8;
constexpr unsigned LOGGER_BLOCKS_CYCLIC = 7;    // one block is always being erased

constexpr char szLoggerOldFirmware[] =
    "Update sensor firmware version upper than version 2.60  to get datalogger hardware support !";
constexpr char szLoggerNoFlash[] = "This sensor dont have datalogger hardware flash chip !";

bool IsOneOf(CtlId nId, CtlId nFirst, CtlId nLast)
{
    return nId >= nFirst && nId <= nLast;
}

}  // namespace

std::string FormatTenths(double fValue)
{
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text - 1, fValue, std::chars_format::fixed, 1);
    if (r.ec != std::errc())
        return "0.0";
    *r.ptr = '\0';
    return text;
}

float ConsumptionMa(float fDuty, float fClockMhz, bool bRaw, bool bOutput)
{
    const double raw = bRaw ? 1.0 : 0.0;
    const double output = bOutput ? 1.0 : 0.0;
    const float active = static_cast<float>((11.5 + 0.4 * fClockMhz) + 4.5 * raw);
    const float idle = static_cast<float>((0.2 + 0.55 * output) + 7.3 * raw);
    return (fDuty / 100.0f) * active + ((100.0f - fDuty) / 100.0f) * idle;
}

std::string ConsumptionText(float fMa)
{
    return FormatTenths(fMa) + " mA";
}

void DlgMainUpdateConso()
{
    ConfigPages& pages = Pages();
    const float duty = static_cast<float>(ConfigToNumber(PageText(CTL_AVG_D).c_str()));
    const float clock = ClockMhz(pages.Selected(CTL_SYS_SPEED));
    const bool raw = pages.Checked(CTL_OUT2_RAW);
    bool output = false;
    for (CtlId id : tOutputsOn)
        output = output || pages.Checked(id);
    pages.SetText(CTL_MAIN_CONSO, ConsumptionText(ConsumptionMa(duty, clock, raw, output)));
}

std::string DutyCycleText(const std::string& sA, const std::string& sC)
{
    const float a = static_cast<float>(ConfigToNumber(sA.c_str()));
    const float c = static_cast<float>(ConfigToNumber(sC.c_str()));
    if (a == 0.0f || c == 0.0f)
        return "";
    const float d = a * 100.0f / c;
    return FormatTenths(d);
}

void DlgAveragingUpdate()
{
    Pages().SetText(CTL_AVG_D, DutyCycleText(PageText(CTL_AVG_A), PageText(CTL_AVG_C)));
    DlgDataloggerUpdate();
    DlgMainUpdateConso();
}

std::string DataloggerStatusText(const std::string& sM, int nFirmware, int bExtFlash, int nMode, unsigned uFields)
{
    std::string line;
    if (FirmwareIs(FW_BELOW_2_61, nFirmware))
        line = szLoggerOldFirmware;
    else if (!bExtFlash)
        line = szLoggerNoFlash;
    // Without the logger hardware there is no capacity to show, whatever
    // mode the sensor reports.
    if (!line.empty() || (nMode != LOGGER_ON && nMode != LOGGER_CYCLIC_MODE))
        return line;

    unsigned size = LOGGER_RECORD_BASE;
    for (int i = 0; i < LOGGER_FIELD_COUNT - 1; i++)
        if ((uFields >> i) & 1u)
            size += LOGGER_FIELD_BYTES;
    if ((uFields >> (LOGGER_FIELD_COUNT - 1)) & 1u)
        size += LOGGER_CLASSES_BYTES;
    const unsigned records = LOGGER_BLOCK_BYTES / size;
    const unsigned measures = records * (nMode == LOGGER_CYCLIC_MODE ? LOGGER_BLOCKS_CYCLIC : LOGGER_BLOCKS_ON);

    // Whole seconds of M; a duration beyond what 32 bits hold is shown as
    // the longest one rather than wrapped round to a short one.
    const double m = ConfigToNumber(sM.c_str());
    const unsigned long long seconds = m >= 1.0 ? (m < 4294967296.0 ? static_cast<unsigned long long>(m) : UINT_MAX) : 0;
    const unsigned long long total = seconds * measures;
    const unsigned duration = total > UINT_MAX ? UINT_MAX : static_cast<unsigned>(total);

    char human[128];
    HumanDuration(duration, human, sizeof human);
    char text[256];
    std::snprintf(text, sizeof text, "Datalogger capacity : %u measures, %s", measures, human);
    return text;
}

void DlgDataloggerUpdate()
{
    ConfigPages& pages = Pages();
    std::string m = pages.Text(CTL_AVG_M);
    if (m.size() > 511)
        m.resize(511);
    int mode = LOGGER_OFF;
    if (pages.Checked(CTL_LOGGER_CYCLIC))
        mode = LOGGER_CYCLIC_MODE;
    else if (pages.Checked(CTL_LOGGER_ENABLED))
        mode = LOGGER_ON;
    unsigned fields = 0;
    for (int i = 0; i < LOGGER_FIELD_COUNT; i++)
        if (pages.Checked(nLoggerFieldIds[i]))
            fields |= 1u << i;
    pages.SetText(CTL_LOGGER_STATUS,
                  DataloggerStatusText(m, nSensorFirmware.load(), bExtFlashPresent.load(), mode, fields));
}

void DlgFactoryStatus()
{
    ConfigPages& pages = Pages();
    const bool unlocked = bAdmin.load() == 1;
    for (CtlId id : {CTL_SENS_VERSION, CTL_SENS_DATE, CTL_SENS_SN, CTL_HW_VERSION, CTL_HW_DATE, CTL_CALIB_DATE})
        pages.SetEnabled(id, unlocked);
    const unsigned kind = SensorKindBit();
    if (kind & KINDS_PRIMARY)
        pages.SetEnabled(CTL_CALIB_PRIMARY, unlocked);
    if (kind & KINDS_WIND)
        pages.SetEnabled(CTL_CALIB_WIND, unlocked);
}

void ConfigPageReaction(CtlId nId)
{
    if (IsOneOf(nId, CTL_OUT1_DISABLED, CTL_OUT2_RAW) || nId == CTL_SYS_SPEED) {
        DlgMainUpdateConso();
    } else if (IsOneOf(nId, CTL_SDI12_DISABLED, CTL_SDI12_BOTH)) {
        Pages().SetEnabled(CTL_SDI12_ADDR, nId != CTL_SDI12_DISABLED);
    } else if (IsOneOf(nId, CTL_LOGGER_DISABLED, CTL_FIELD_12)) {
        DlgDataloggerUpdate();
    } else if (nId == CTL_AVG_A || nId == CTL_AVG_C || nId == CTL_AVG_M) {
        DlgAveragingUpdate();
    }
}
