#include "codecs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "textutil.h"

namespace {

bool Is(const char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

// The output groups in button order (OutChoice).
constexpr CtlId tOut1Buttons[] = {CTL_OUT1_DISABLED, CTL_OUT1_WIND, CTL_OUT1_PRIMARY, CTL_OUT1_PULSE,
                                  CTL_OUT1_HAIL};
constexpr CtlId tOut2Buttons[] = {CTL_OUT2_DISABLED, CTL_OUT2_WIND, CTL_OUT2_PRIMARY,
                                  CTL_OUT2_PULSE,    CTL_OUT2_HAIL, CTL_OUT2_RAW};
// The order in which Get looks for the checked button.
constexpr int tOut1GetOrder[] = {OUT_DISABLED, OUT_WIND, OUT_PRIMARY, OUT_HAIL, OUT_PULSE};
constexpr int tOut2GetOrder[] = {OUT_DISABLED, OUT_WIND, OUT_PRIMARY, OUT_PULSE, OUT_HAIL, OUT_RAW};

constexpr CtlId tSdi12Buttons[] = {CTL_SDI12_DISABLED, CTL_SDI12_WIND, CTL_SDI12_PRIMARY, CTL_SDI12_BOTH};
constexpr CtlId tSerialButtons[] = {CTL_SERIAL_DISABLED, CTL_SERIAL_WIND, CTL_SERIAL_PRIMARY, CTL_SERIAL_BOTH};
constexpr CtlId tLoggerButtons[] = {CTL_LOGGER_DISABLED, CTL_LOGGER_ENABLED, CTL_LOGGER_CYCLIC};

const char* const tRangeItems[] = {"2.5 V", "5 V"};
const char* const tSysSpeedItems[] = {"4 MHz", "8 MHz", "16 MHz", "32 MHz"};
const char* const tSysSpeedValues[] = {"4MHz", "8MHz", "16MHz", "32MHz"};
const char* const tSysClkItems[] = {"Internal", "External"};
constexpr int SYS_SPEED_DEFAULT = 1;   // "8 MHz"

template <size_t N>
void CheckOne(const CtlId (&tButtons)[N], int nChoice)
{
    ConfigPages& pages = Pages();
    for (CtlId id : tButtons)
        pages.SetChecked(id, false);
    if (nChoice >= 0 && static_cast<size_t>(nChoice) < N)
        pages.SetChecked(tButtons[nChoice], true);
}

template <size_t N>
void FillList(CtlId nCombo, const char* const (&tItems)[N])
{
    Pages().SetItems(nCombo, std::vector<std::string>(tItems, tItems + N));
    Pages().SetSelected(nCombo, 0);
}

const char* OutAnswer(int nChoice)
{
    switch (nChoice) {
    case OUT_WIND:
        return "wind";
    case OUT_PRIMARY:
        return PrimaryModeValue(nSensorType.load());
    case OUT_PULSE:
        return "pulse";
    case OUT_HAIL:
        return "hail";
    case OUT_RAW:
        return "raw";
    default:
        return "off";
    }
}

template <size_t N, size_t M>
std::string GetOutMode(const CtlId (&tButtons)[N], const int (&tOrder)[M])
{
    ConfigPages& pages = Pages();
    for (int choice : tOrder)
        if (pages.Checked(tButtons[choice]))
            return OutAnswer(choice);
    return "off";
}

std::string GetChannelMode(const CtlId (&tButtons)[4])
{
    static const int tOrder[] = {CHANNEL_DISABLED, CHANNEL_WIND, CHANNEL_PRIMARY, CHANNEL_BOTH};
    ConfigPages& pages = Pages();
    for (int choice : tOrder) {
        if (!pages.Checked(tButtons[choice]))
            continue;
        switch (choice) {
        case CHANNEL_WIND:
            return "wind";
        case CHANNEL_PRIMARY:
            return PrimaryModeValue(nSensorType.load());
        case CHANNEL_BOTH:
            return "all";
        default:
            return "off";
        }
    }
    return "off";
}

bool ValidDay(int nYear, int nMonth, int nDay)
{
    static const int tDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (nYear < 1 || nYear > 9999 || nMonth < 1 || nMonth > 12 || nDay < 1)
        return false;
    const bool leap = (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
    return nDay <= tDays[nMonth - 1] + (nMonth == 2 && leap ? 1 : 0);
}

// A part of a date value: the number in the characters, fraction dropped.
int DatePart(const char* szValue, size_t uFrom, size_t uLength)
{
    char part[8] = "";
    std::memcpy(part, szValue + uFrom, uLength);
    part[uLength] = '\0';
    const double v = ConfigToNumber(part);
    return v > -100000.0 && v < 100000.0 ? static_cast<int>(v) : 0;
}

}  // namespace

// --- Pure mappings ------------------------------------------------------------

const char* PrimaryModeValue(int nType)
{
    switch (nType) {
    case SENSOR_TYPE_KORVALIN:
    case SENSOR_TYPE_DUVIKORN:
        return "flux";
    case SENSOR_TYPE_MESTRALO:
        return "rain";
    case SENSOR_TYPE_GRESTOLV:
        return "hail";
    default:
        return "off";
    }
}

int OutModeChoice(const char* szValue, bool bOut2, int nType)
{
    if (Is(szValue, "wind"))
        return OUT_WIND;
    if (Is(szValue, "flux") || Is(szValue, "rain"))
        return OUT_PRIMARY;
    if (Is(szValue, "sand"))
        return bOut2 ? OUT_PRIMARY : OUT_DISABLED;
    if (Is(szValue, "pulse"))
        return OUT_PULSE;
    if (Is(szValue, "hail"))
        return nType == SENSOR_TYPE_GRESTOLV ? OUT_PRIMARY : OUT_HAIL;
    if (Is(szValue, "raw"))
        return bOut2 ? OUT_RAW : OUT_DISABLED;
    return OUT_DISABLED;
}

int ChannelModeChoice(const char* szValue)
{
    if (Is(szValue, "wind"))
        return CHANNEL_WIND;
    if (Is(szValue, "flux") || Is(szValue, "sand") || Is(szValue, "rain") || Is(szValue, "hail"))
        return CHANNEL_PRIMARY;
    if (Is(szValue, "all"))
        return CHANNEL_BOTH;
    return CHANNEL_DISABLED;
}

int RangeChoice(const char* szValue)
{
    return Is(szValue, "2V5") ? 0 : 1;
}

int SysSpeedChoice(const char* szValue)
{
    for (int i = 0; i < 4; i++)
        if (Is(szValue, tSysSpeedValues[i]))
            return i;
    return SYS_SPEED_DEFAULT;
}

int SysClkChoice(const char* szValue)
{
    return Is(szValue, "internal") ? 0 : 1;
}

int DataloggerModeChoice(const char* szValue)
{
    if (Is(szValue, "on"))
        return 1;
    if (Is(szValue, "cyclic"))
        return 2;
    return 0;
}

unsigned DataloggerFieldsMask(const char* szValue)
{
    // strtoll with base 0 is the prefixed notation; a negative or huge value
    // keeps only the low bits that have boxes.
    const long long v = std::strtoll(szValue, nullptr, 0);
    return static_cast<unsigned>(static_cast<unsigned long long>(v) & ((1u << LOGGER_FIELD_COUNT) - 1));
}

bool ParseConfigDate(const char* szValue, ConfigDate* pDate)
{
    if (std::strlen(szValue) != 10 || szValue[4] != '-' || szValue[7] != '-')
        return false;
    const ConfigDate d{DatePart(szValue, 0, 4), DatePart(szValue, 5, 2), DatePart(szValue, 8, 2)};
    // A day the calendar does not have cannot stand in a picker.
    if (!ValidDay(d.nYear, d.nMonth, d.nDay))
        return false;
    *pDate = d;
    return true;
}

std::string FormatConfigDate(const ConfigDate& tDate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", tDate.nYear, tDate.nMonth, tDate.nDay);
    return text;
}

// --- List fillers ---------------------------------------------------------------

void LoadRangeList(CtlId nCombo)
{
    FillList(nCombo, tRangeItems);
}

void LoadSysSpeedList(CtlId nCombo)
{
    FillList(nCombo, tSysSpeedItems);
}

void LoadSysClkList(CtlId nCombo)
{
    FillList(nCombo, tSysClkItems);
}

void ConfigPagesCreate()
{
    for (CtlId id : {CTL_PRIMARY_RANGE, CTL_WIND_RANGE, CTL_HAIL_RANGE, CTL_PULSE_LVL})
        LoadRangeList(id);
    LoadSysSpeedList(CTL_SYS_SPEED);
    LoadSysClkList(CTL_SYS_CLK);
}

// --- Group codecs ----------------------------------------------------------------

void SetOut1Mode(const char* szValue)
{
    CheckOne(tOut1Buttons, OutModeChoice(szValue, false, nSensorType.load()));
}

std::string GetOut1Mode()
{
    return GetOutMode(tOut1Buttons, tOut1GetOrder);
}

void SetOut2Mode(const char* szValue)
{
    CheckOne(tOut2Buttons, OutModeChoice(szValue, true, nSensorType.load()));
}

std::string GetOut2Mode()
{
    return GetOutMode(tOut2Buttons, tOut2GetOrder);
}

void SetSdi12Mode(const char* szValue)
{
    CheckOne(tSdi12Buttons, ChannelModeChoice(szValue));
}

std::string GetSdi12Mode()
{
    return GetChannelMode(tSdi12Buttons);
}

void SetSerialMode(const char* szValue)
{
    CheckOne(tSerialButtons, ChannelModeChoice(szValue));
}

std::string GetSerialMode()
{
    return GetChannelMode(tSerialButtons);
}

void SetDataloggerMode(const char* szValue)
{
    CheckOne(tLoggerButtons, DataloggerModeChoice(szValue));
}

std::string GetDataloggerMode()
{
    ConfigPages& pages = Pages();
    if (pages.Checked(CTL_LOGGER_DISABLED))
        return "off";
    if (pages.Checked(CTL_LOGGER_ENABLED))
        return "on";
    if (pages.Checked(CTL_LOGGER_CYCLIC))
        return "cyclic";
    return "off";
}

void SetDataloggerFields(const char* szValue)
{
    const unsigned mask = DataloggerFieldsMask(szValue);
    for (int i = 0; i < LOGGER_FIELD_COUNT; i++)
        Pages().SetChecked(nLoggerFieldIds[i], (mask >> i) & 1u);
}

std::string GetDataloggerFields()
{
    unsigned mask = 0;
    for (int i = 0; i < LOGGER_FIELD_COUNT; i++)
        if (Pages().Checked(nLoggerFieldIds[i]))
            mask |= 1u << i;
    return std::to_string(mask);
}

// --- Single-control codecs ----------------------------------------------------------

void SetRange(CtlId nCombo, const char* szValue)
{
    Pages().SetSelected(nCombo, RangeChoice(szValue));
}

std::string GetRange(CtlId nCombo)
{
    return Pages().Selected(nCombo) == 0 ? "2V5" : "5V";
}

void SetOnOff(CtlId nCheck, const char* szValue)
{
    Pages().SetChecked(nCheck, Is(szValue, "on"));
}

std::string GetOnOff(CtlId nCheck)
{
    return Pages().Checked(nCheck) ? "on" : "off";
}

void SetSysSpeed(CtlId nCombo, const char* szValue)
{
    Pages().SetSelected(nCombo, SysSpeedChoice(szValue));
}

std::string GetSysSpeed(CtlId nCombo)
{
    switch (Pages().Selected(nCombo)) {
    case 0:
        return "4MHz";
    case 2:
        return "16MHz";
    case 3:
        return "32MHz";
    default:
        return "8MHz";
    }
}

void SetSysClk(CtlId nCombo, const char* szValue)
{
    Pages().SetSelected(nCombo, SysClkChoice(szValue));
}

std::string GetSysClk(CtlId nCombo)
{
    return Pages().Selected(nCombo) == 0 ? "internal" : "external";
}

void SetDate(CtlId nPicker, const char* szValue)
{
    ConfigDate d;
    if (!ParseConfigDate(szValue, &d))
        d = ConfigDate{1970, 1, 1};
    Pages().SetDate(nPicker, d);
}

std::string GetDate(CtlId nPicker)
{
    return FormatConfigDate(Pages().Date(nPicker));
}

// --- Rows -------------------------------------------------------------------------------

void ParamSetValue(const SensorParam& tParam, const char* szValue, ParamUse nUse)
{
    const CtlId id = tParam.nControl;
    switch (tParam.nCodec) {
    case CODEC_NONE:
        break;
    case CODEC_TEXT:
        Pages().SetText(id, szValue);
        break;
    case CODEC_SERIAL_NUMBER:
        Pages().SetText(id, nUse != USE_FILE && IsBlank(szValue) ? "unknown" : szValue);
        break;
    case CODEC_OUT1:
        SetOut1Mode(szValue);
        break;
    case CODEC_OUT2:
        SetOut2Mode(szValue);
        break;
    case CODEC_RANGE:
        SetRange(id, szValue);
        break;
    case CODEC_SDI12:
        Pages().SetEnabled(CTL_SDI12_ADDR, !Is(szValue, "off"));
        SetSdi12Mode(szValue);
        break;
    case CODEC_SERIAL_MODE:
        SetSerialMode(szValue);
        break;
    case CODEC_ON_OFF:
        SetOnOff(id, szValue);
        break;
    case CODEC_LOGGER_MODE:
        SetDataloggerMode(szValue);
        break;
    case CODEC_LOGGER_FIELDS:
        SetDataloggerFields(szValue);
        break;
    case CODEC_SYS_SPEED:
        SetSysSpeed(id, szValue);
        break;
    case CODEC_SYS_CLK:
        SetSysClk(id, szValue);
        break;
    case CODEC_DATE:
        SetDate(id, szValue);
        break;
    }
}

std::string ParamGetValue(const SensorParam& tParam, ParamUse nUse)
{
    const CtlId id = tParam.nControl;
    switch (tParam.nCodec) {
    case CODEC_NONE:
        return {};
    case CODEC_TEXT:
        return PageText(id);
    case CODEC_SERIAL_NUMBER: {
        std::string s = PageText(id);
        return nUse != USE_FILE && IsBlank(s.c_str()) ? "unknown" : s;
    }
    case CODEC_OUT1:
        return GetOut1Mode();
    case CODEC_OUT2:
        return GetOut2Mode();
    case CODEC_RANGE:
        return GetRange(id);
    case CODEC_SDI12:
        return GetSdi12Mode();
    case CODEC_SERIAL_MODE:
        return GetSerialMode();
    case CODEC_ON_OFF:
        return GetOnOff(id);
    case CODEC_LOGGER_MODE:
        return GetDataloggerMode();
    case CODEC_LOGGER_FIELDS:
        return GetDataloggerFields();
    case CODEC_SYS_SPEED:
        return GetSysSpeed(id);
    case CODEC_SYS_CLK:
        return GetSysClk(id);
    case CODEC_DATE:
        return GetDate(id);
    }
    return {};
}

bool ParamValueKnown(const SensorParam& tParam, const char* szValue)
{
    auto oneOf = [szValue](std::initializer_list<const char*> tWords) {
        for (const char* w : tWords)
            if (Is(szValue, w))
                return true;
        return false;
    };
    switch (tParam.nCodec) {
    case CODEC_OUT1:
    case CODEC_OUT2:
        return oneOf({"off", "wind", "flux", "rain", "sand", "pulse", "hail", "raw"});
    case CODEC_RANGE:
        return oneOf({"2V5", "5V"});
    case CODEC_SDI12:
    case CODEC_SERIAL_MODE:
        return oneOf({"off", "wind", "flux", "sand", "rain", "hail", "all"});
    case CODEC_ON_OFF:
        return oneOf({"on", "off"});
    case CODEC_LOGGER_MODE:
        return oneOf({"off", "on", "cyclic"});
    case CODEC_LOGGER_FIELDS: {
        char* end = nullptr;
        std::strtoul(szValue, &end, 0);
        return szValue[0] != '\0' && *end == '\0';
    }
    case CODEC_SYS_SPEED:
        return oneOf({"4MHz", "8MHz", "16MHz", "32MHz"});
    case CODEC_SYS_CLK:
        return oneOf({"internal", "external"});
    case CODEC_DATE: {
        ConfigDate date;
        return ParseConfigDate(szValue, &date);
    }
    case CODEC_NONE:
    case CODEC_TEXT:
    case CODEC_SERIAL_NUMBER:
        break;
    }
    return true;
}

std::vector<CtlId> ParamControls(const SensorParam& tParam)
{
    switch (tParam.nCodec) {
    case CODEC_NONE:
        return {};
    case CODEC_OUT1:
        return {std::begin(tOut1Buttons), std::end(tOut1Buttons)};
    case CODEC_OUT2:
        return {std::begin(tOut2Buttons), std::end(tOut2Buttons)};
    case CODEC_SDI12:
        return {std::begin(tSdi12Buttons), std::end(tSdi12Buttons)};
    case CODEC_SERIAL_MODE:
        return {std::begin(tSerialButtons), std::end(tSerialButtons)};
    case CODEC_LOGGER_MODE:
        return {std::begin(tLoggerButtons), std::end(tLoggerButtons)};
    case CODEC_LOGGER_FIELDS:
        return {std::begin(nLoggerFieldIds), std::end(nLoggerFieldIds)};
    default:
        return {tParam.nControl};
    }
}
