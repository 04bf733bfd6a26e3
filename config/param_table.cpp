#include "param_table.h"

#include <cstring>

namespace {

constexpr unsigned LS = OP_LOAD | OP_SEND;
constexpr unsigned LSF = OP_LOAD | OP_SEND | OP_FILE;
constexpr unsigned ALL = KINDS_ALL;
constexpr unsigned FLUX = KINDS_FLUX;
constexpr unsigned WIND = KINDS_WIND;
constexpr unsigned PRIM = KINDS_PRIMARY;
constexpr unsigned MEST = KIND_MESTRALO;
constexpr unsigned GRES = KIND_GRESTOLV;
constexpr unsigned NONE = 0;

}  // namespace

// clang-format off
const SensorParam tSensorParams[] = {
    // Identity, read by the load's identification and the main window.
    {"sens-type",      "Sensor type",                    ALL,  FW_ANY,       PAGE_MAIN, CTL_NONE, CODEC_NONE, OP_LOAD | OP_FILE, ALL, 0},
    {"fw-version",     "Firmware version",               ALL,  FW_ANY,       PAGE_MAIN, CTL_NONE, CODEC_NONE, OP_LOAD, NONE, 0},
    {"hw-extflash",    "Hardware external flash",        ALL,  FW_ABOVE_2_6, PAGE_MAIN, CTL_NONE, CODEC_NONE, OP_LOAD, NONE, 0},
    {"hw-sn",          "Hardware serial number",         ALL,  FW_ANY,       PAGE_MAIN, CTL_NONE, CODEC_NONE, 0, NONE, 0},
    {"misc-dbg",       "Debug status field",             ALL,  FW_ANY,       PAGE_MAIN, CTL_NONE, CODEC_NONE, 0, NONE, 0},
    {"misc-scopemode", "Scopemode status",               ALL,  FW_ANY,       PAGE_MAIN, CTL_NONE, CODEC_NONE, 0, NONE, 0},

    // Outputs.
    {"out1-mode",   "Output 1 mode",            ALL,  FW_ANY,       PAGE_OUTPUTS, CTL_OUT1_DISABLED,  CODEC_OUT1,  LSF, ALL, 0},
    {"out2-mode",   "Output 2 mode",            ALL,  FW_ANY,       PAGE_OUTPUTS, CTL_OUT2_DISABLED,  CODEC_OUT2,  LSF, ALL, 0},
    {"range-flux",  "Flux full-scale range",    FLUX, FW_ANY,       PAGE_OUTPUTS, CTL_PRIMARY_RANGE,  CODEC_RANGE, LSF, FLUX, 0},
    {"range-rain",  "Rain full-scale range",    MEST, FW_ANY,       PAGE_OUTPUTS, CTL_PRIMARY_RANGE,  CODEC_RANGE, LSF, MEST, 0},
    {"range-hail",  "Hail full-scale range",    GRES, FW_ANY,       PAGE_OUTPUTS, CTL_PRIMARY_RANGE,  CODEC_RANGE, LSF, GRES, 0},
    {"range-wind",  "Wind full-scale range",    WIND, FW_ANY,       PAGE_OUTPUTS, CTL_WIND_RANGE,     CODEC_RANGE, LSF, ALL, 0},
    {"range-hail",  "Hail full-scale range",    MEST, FW_FROM_3_18, PAGE_OUTPUTS, CTL_HAIL_RANGE,     CODEC_RANGE, LS, NONE, 0},
    {"fscale-flux", "Flux full-scale",          FLUX, FW_ANY,       PAGE_OUTPUTS, CTL_PRIMARY_FSCALE, CODEC_TEXT,  OP_LOAD, NONE, 0},
    {"fscale-rain", "Rain full-scale",          MEST, FW_ANY,       PAGE_OUTPUTS, CTL_PRIMARY_FSCALE, CODEC_TEXT,  OP_LOAD, NONE, 0},
    {"fscale-hail", "Hail full-scale",          GRES, FW_ANY,       PAGE_OUTPUTS, CTL_PRIMARY_FSCALE, CODEC_TEXT,  OP_LOAD, NONE, 0},
    {"fscale-wind", "Wind full-scale",          WIND, FW_ANY,       PAGE_OUTPUTS, CTL_WIND_FSCALE,    CODEC_TEXT,  OP_LOAD, NONE, 0},
    {"fscale-hail", "Hail full-scale",          MEST, FW_FROM_3_18, PAGE_OUTPUTS, CTL_HAIL_FSCALE,    CODEC_TEXT,  OP_LOAD, NONE, 0},
    {"pulse-thld",  "Pulse threshold",          PRIM, FW_ANY,       PAGE_OUTPUTS, CTL_PULSE_THLD,     CODEC_TEXT,  LSF, ALL, 0},
    {"pulse-to",    "Pulse integrator timeout", PRIM, FW_ANY,       PAGE_OUTPUTS, CTL_PULSE_TO,       CODEC_TEXT,  LSF, ALL, 0},
    {"pulse-lvl",   "Pulse level",              PRIM, FW_ANY,       PAGE_OUTPUTS, CTL_PULSE_LVL,      CODEC_RANGE, LSF, ALL, 0},
    {"pulse-ms",    "Pulse duration",           PRIM, FW_ANY,       PAGE_OUTPUTS, CTL_PULSE_MS,       CODEC_TEXT,  LSF, ALL, 0},

    // SDI12 and Serial.
    {"sdi12-mode",  "SDI12 mode",               ALL,  FW_ANY, PAGE_SDI12,  CTL_SDI12_DISABLED,  CODEC_SDI12,       LSF, ALL, 0},
    {"sdi12-addr",  "SDI12 address",            ALL,  FW_ANY, PAGE_SDI12,  CTL_SDI12_ADDR,      CODEC_TEXT,        LSF, ALL, 0},
    {"serial-mode", "Serial mode",              ALL,  FW_ANY, PAGE_SERIAL, CTL_SERIAL_DISABLED, CODEC_SERIAL_MODE, LSF, ALL, 0},
    {"cons-idle",   "Console idle timeout",     ALL,  FW_ANY, PAGE_SERIAL, CTL_CONS_IDLE,       CODEC_TEXT,        LSF, ALL, 0},

    // Datalogger.
    {"logger-mode", "Datalogger mode",          ALL,  FW_ABOVE_2_6, PAGE_DATALOGGER, CTL_LOGGER_DISABLED, CODEC_LOGGER_MODE,   LS, NONE, 0},
    {"logger-cfg",  "Datalogger config",        ALL,  FW_ABOVE_2_6, PAGE_DATALOGGER, CTL_FIELD_0,         CODEC_LOGGER_FIELDS, LS, NONE, 0},

    // Averaging; the send writes these three in its own order.
    {"avg-a", "Acquisition duration",           ALL,  FW_ANY, PAGE_AVERAGING, CTL_AVG_A, CODEC_TEXT, LSF, ALL, 0},
    {"avg-c", "Cycle duration",                 ALL,  FW_ANY, PAGE_AVERAGING, CTL_AVG_C, CODEC_TEXT, LSF, ALL, 0},
    {"avg-m", "Measurement duration",           ALL,  FW_ANY, PAGE_AVERAGING, CTL_AVG_M, CODEC_TEXT, LSF, ALL, PARAM_AVERAGING_UPDATE},

    // Expert.
    {"lin-wc1",      "WC1",                            WIND, FW_ANY,       PAGE_EXPERT, CTL_LIN_WC1,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-wc3",      "WC3",                            WIND, FW_ANY,       PAGE_EXPERT, CTL_LIN_WC3,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-wc4",      "WC4",                            WIND, FW_ANY,       PAGE_EXPERT, CTL_LIN_WC4,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-wc5",      "WC5",                            WIND, FW_ANY,       PAGE_EXPERT, CTL_LIN_WC5,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-wc6",      "WC6",                            WIND, FW_ANY,       PAGE_EXPERT, CTL_LIN_WC6,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-we1",      "WE1",                            WIND, FW_ANY,       PAGE_EXPERT, CTL_LIN_WE1,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-we2",      "WE2",                            WIND, FW_ANY,       PAGE_EXPERT, CTL_LIN_WE2,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-xc1",      "XC1",                            PRIM, FW_ANY,       PAGE_EXPERT, CTL_LIN_XC1,      CODEC_TEXT,      LSF, ALL, 0},
    {"lin-xe1",      "XE1",                            PRIM, FW_ANY,       PAGE_EXPERT, CTL_LIN_XE1,      CODEC_TEXT,      LSF, ALL, 0},
    {"misc-pwrdly",  "Power delay before acquisition", ALL,  FW_ANY,       PAGE_EXPERT, CTL_MISC_PWRDLY,  CODEC_TEXT,      LSF, ALL, 0},
    {"thld-flux",    "Flux noise threshold",           FLUX, FW_ANY,       PAGE_EXPERT, CTL_EXPERT_THLD,  CODEC_TEXT,      LSF, FLUX, 0},
    {"thld-rain",    "Rain noise threshold",           MEST, FW_ANY,       PAGE_EXPERT, CTL_EXPERT_THLD,  CODEC_TEXT,      LSF, MEST, 0},
    {"thld-hail",    "Hail noise threshold",           GRES, FW_ANY,       PAGE_EXPERT, CTL_EXPERT_THLD,  CODEC_TEXT,      LSF, GRES, 0},
    {"sys-speed",    "System speed",                   ALL,  FW_ANY,       PAGE_EXPERT, CTL_SYS_SPEED,    CODEC_SYS_SPEED, LSF, ALL, 0},
    {"sys-clk",      "System clock",                   ALL,  FW_ANY,       PAGE_EXPERT, CTL_SYS_CLK,      CODEC_SYS_CLK,   LSF, ALL, 0},
    {"sys-watchdog", "System watchdog",                ALL,  FW_FROM_3_43, PAGE_EXPERT, CTL_SYS_WATCHDOG, CODEC_ON_OFF,    LS, NONE, 0},

    // Factory: sent only while the factory parameters are unlocked.
    {"sens-version", "Sensor version",                ALL,  FW_ANY, PAGE_FACTORY, CTL_SENS_VERSION,  CODEC_TEXT,          LSF, ALL, 0},
    {"sens-date",    "Sensor date",                   ALL,  FW_ANY, PAGE_FACTORY, CTL_SENS_DATE,     CODEC_DATE,          LSF, ALL, 0},
    {"sens-sn",      "Sensor serial number",          ALL,  FW_ANY, PAGE_FACTORY, CTL_SENS_SN,       CODEC_SERIAL_NUMBER, LSF, ALL, 0},
    {"hw-version",   "Hardware version",              ALL,  FW_ANY, PAGE_FACTORY, CTL_HW_VERSION,    CODEC_TEXT,          LSF, ALL, 0},
    {"hw-date",      "Hardware date",                 ALL,  FW_ANY, PAGE_FACTORY, CTL_HW_DATE,       CODEC_DATE,          LSF, ALL, 0},
    {"calib-date",   "Calibration date",              ALL,  FW_ANY, PAGE_FACTORY, CTL_CALIB_DATE,    CODEC_DATE,          LSF, ALL, 0},
    {"calib-flux",   "Flux calibration factor",       FLUX, FW_ANY, PAGE_FACTORY, CTL_CALIB_PRIMARY, CODEC_TEXT,          LSF, FLUX, 0},
    {"calib-rain",   "Rain calibration factor",       MEST, FW_ANY, PAGE_FACTORY, CTL_CALIB_PRIMARY, CODEC_TEXT,          LSF, MEST, 0},
    {"calib-hail",   "Hail calibration factor",       GRES, FW_ANY, PAGE_FACTORY, CTL_CALIB_PRIMARY, CODEC_TEXT,          LSF, GRES, 0},
    {"calib-wind",   "Wind speed calibration factor", WIND, FW_ANY, PAGE_FACTORY, CTL_CALIB_WIND,    CODEC_TEXT,          LSF, ALL, 0},
};
// clang-format on

const size_t uSensorParamCount = sizeof tSensorParams / sizeof tSensorParams[0];

const CtlId nLoggerFieldIds[LOGGER_FIELD_COUNT] = {
    CTL_FIELD_0, CTL_FIELD_1, CTL_FIELD_2, CTL_FIELD_3,  CTL_FIELD_4,  CTL_FIELD_5,  CTL_FIELD_6,
    CTL_FIELD_7, CTL_FIELD_8, CTL_FIELD_9, CTL_FIELD_10, CTL_FIELD_11, CTL_FIELD_12,
};

const SensorParam* SensorParamByKey(const char* szKey)
{
    for (const SensorParam& p : tSensorParams)
        if (std::strcmp(p.szKey, szKey) == 0)
            return &p;
    return nullptr;
}

bool SensorParamApplies(const SensorParam& tParam, unsigned uKindBit, int nFirmware)
{
    return (tParam.uKinds & uKindBit) != 0 && FirmwareIs(tParam.nFirmware, nFirmware);
}

bool SensorParamAppliesNow(const SensorParam& tParam)
{
    return SensorParamApplies(tParam, SensorKindBit(), nSensorFirmware.load());
}

const SensorParam* SensorParamFor(const char* szKey, unsigned uOp, unsigned uKindBit, int nFirmware)
{
    for (const SensorParam& p : tSensorParams) {
        if (std::strcmp(p.szKey, szKey) == 0 && (p.uOps & uOp) != 0 && SensorParamApplies(p, uKindBit, nFirmware))
            return &p;
    }
    return nullptr;
}

const SensorParam* SensorParamForFile(const char* szKey)
{
    for (const SensorParam& p : tSensorParams)
        if (std::strcmp(p.szKey, szKey) == 0 && (p.uOps & OP_FILE) != 0)
            return &p;
    return nullptr;
}

const char* SensorParamLabel(const char* szKey)
{
    const SensorParam* p = SensorParamByKey(szKey);
    return p != nullptr ? p->szLabel : "";
}
