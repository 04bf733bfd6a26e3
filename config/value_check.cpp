#include "value_check.h"

#include <cstdio>
#include <cstring>

#include "codecs.h"
#include "config_task.h"
#include "log.h"
#include "sensor.h"
#include "sensor_kind.h"

namespace {

struct NumberField {
    CtlId nId;
    ConfigNumberKind nKind;
};

// clang-format off
constexpr NumberField tNumberFields[] = {
    {CTL_PULSE_THLD,    NUMBER_DECIMAL},
    {CTL_PULSE_TO,      NUMBER_WHOLE},
    {CTL_PULSE_MS,      NUMBER_WHOLE},
    {CTL_CONS_IDLE,     NUMBER_WHOLE},
    {CTL_AVG_A,         NUMBER_WHOLE},
    {CTL_AVG_C,         NUMBER_WHOLE},
    {CTL_AVG_M,         NUMBER_WHOLE},
    {CTL_LIN_WC1,       NUMBER_DECIMAL},
    {CTL_LIN_WC3,       NUMBER_DECIMAL},
    {CTL_LIN_WC4,       NUMBER_DECIMAL},
    {CTL_LIN_WC5,       NUMBER_DECIMAL},
    {CTL_LIN_WC6,       NUMBER_DECIMAL},
    {CTL_LIN_WE1,       NUMBER_DECIMAL},
    {CTL_LIN_WE2,       NUMBER_DECIMAL},
    {CTL_LIN_XC1,       NUMBER_DECIMAL},
    {CTL_LIN_XE1,       NUMBER_DECIMAL},
    {CTL_EXPERT_THLD,   NUMBER_DECIMAL},
    {CTL_MISC_PWRDLY,   NUMBER_WHOLE},
    {CTL_CALIB_PRIMARY, NUMBER_DECIMAL},
    {CTL_CALIB_WIND,    NUMBER_DECIMAL},
};
// clang-format on

constexpr char szWholeTyping[] = "[0-9]{0,10}";
constexpr char szDecimalTyping[] = "[+-]?[0-9]{0,10}([.][0-9]{0,10})?";

// The run of decimal digits from uFrom on.
size_t Digits(const std::string& s, size_t uFrom)
{
    size_t n = 0;
    while (uFrom + n < s.size() && s[uFrom + n] >= '0' && s[uFrom + n] <= '9')
        n++;
    return n;
}

bool IsWhole(const std::string& s)
{
    const size_t n = Digits(s, 0);
    return n > 0 && n <= CONFIG_NUMBER_DIGITS && n == s.size();
}

bool IsDecimal(const std::string& s)
{
    size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    const size_t whole = Digits(s, i);
    i += whole;
    size_t fraction = 0;
    if (i < s.size() && s[i] == '.') {
        fraction = Digits(s, i + 1);
        i += 1 + fraction;
    }
    return i == s.size() && whole + fraction > 0 && whole <= CONFIG_NUMBER_DIGITS &&
           fraction <= CONFIG_NUMBER_DIGITS;
}

bool IsRadioCodec(ParamCodec nCodec)
{
    return nCodec == CODEC_OUT1 || nCodec == CODEC_OUT2 || nCodec == CODEC_SDI12 || nCodec == CODEC_SERIAL_MODE ||
           nCodec == CODEC_LOGGER_MODE;
}

bool IsListCodec(ParamCodec nCodec)
{
    return nCodec == CODEC_RANGE || nCodec == CODEC_SYS_SPEED || nCodec == CODEC_SYS_CLK;
}

std::string Quoted(const std::string& sValue)
{
    return "'" + SensorShortValue(sValue.c_str()) + "'";
}

// The name a user finds the control by: a group's title for a radio group,
// else the caption beside it, else the parameter's label.
std::string ControlName(const SensorParam& p)
{
    if (IsRadioCodec(p.nCodec) && tConfigControls[p.nControl].szGroup[0] != '\0')
        return tConfigControls[p.nControl].szGroup;
    const std::string caption = Pages().Caption(p.nControl);
    return caption.empty() ? p.szLabel : caption;
}

// Why a group or list on the pages holds no value at all, "" when it does.
std::string ChoiceFault(const SensorParam& p)
{
    if (IsRadioCodec(p.nCodec)) {
        for (CtlId id : ParamControls(p))
            if (Pages().Checked(id))
                return {};
        return "no choice is made";
    }
    if (IsListCodec(p.nCodec) && Pages().Selected(p.nControl) < 0)
        return "no choice is made";
    return {};
}

}  // namespace

ConfigNumberKind ConfigFieldNumberKind(CtlId nId)
{
    for (const NumberField& f : tNumberFields)
        if (f.nId == nId)
            return f.nKind;
    return NUMBER_NONE;
}

const char* ConfigFieldTypingPattern(CtlId nId)
{
    switch (ConfigFieldNumberKind(nId)) {
    case NUMBER_WHOLE:
        return szWholeTyping;
    case NUMBER_DECIMAL:
        return szDecimalTyping;
    case NUMBER_NONE:
        break;
    }
    return nullptr;
}

std::string ConfigValueFault(const SensorParam& tParam, const std::string& sValue, ConfigCheck nCheck)
{
    if (!SensorTextFitsCommand(sValue.data(), sValue.size()))
        return "it holds a line end or a zero byte";
    if (!ParamValueKnown(tParam, sValue.c_str()))
        return Quoted(sValue) + " is not one of its values";
    if (nCheck == CHECK_WORDS)
        return {};
    if (sValue.empty() && tParam.nCodec != CODEC_SERIAL_NUMBER)
        return "it is empty";
    if (nCheck == CHECK_PRESENT)
        return {};
    // "set KEY VALUE" must fit one command.
    const size_t room = SENSOR_COMMAND_MAX - std::strlen("set  ") - std::strlen(tParam.szKey);
    if (sValue.size() > room) {
        char reason[128];
        std::snprintf(reason, sizeof reason, " is too long (%zu characters, at most %zu)", sValue.size(), room);
        return Quoted(sValue) + reason;
    }
    switch (ConfigFieldNumberKind(tParam.nControl)) {
    case NUMBER_WHOLE:
        if (!IsWhole(sValue))
            return Quoted(sValue) + " is not a whole number";
        break;
    case NUMBER_DECIMAL:
        if (!IsDecimal(sValue))
            return Quoted(sValue) + " is not a number";
        break;
    case NUMBER_NONE:
        break;
    }
    return {};
}

int ConfigCheckSendValues(bool bUnlocked)
{
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_SEND) == 0 || !SensorParamAppliesNow(p) || (p.nPage == PAGE_FACTORY && !bUnlocked))
            continue;
        std::string fault = ChoiceFault(p);
        if (fault.empty())
            fault = ConfigValueFault(p, ParamGetValue(p, USE_SEND), CHECK_SEND);
        if (fault.empty())
            continue;
        DlgMainTabSelect(static_cast<unsigned>(p.nPage));
        Pages().SetFocus(p.nControl);
        return Error("Bad value in '%s' on the page '%s' : %s !\nNothing has been sent to the sensor !",
                     ControlName(p).c_str(), tDlgMainTabInfo[p.nPage].szName, fault.c_str());
    }
    return 1;
}
