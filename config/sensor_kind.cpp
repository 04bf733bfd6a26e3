#include "sensor_kind.h"

#include <charconv>
#include <cmath>
#include <cstring>

const SensorKindInfo tSensorKinds[SENSOR_TYPE_COUNT] = {
    {SENSOR_TYPE_PALVETRA, "PALVETRA", ""},
    {SENSOR_TYPE_KORVALIN, "KORVALIN", "flux"},
    {SENSOR_TYPE_MESTRALO, "MESTRALO", "rain"},
    {SENSOR_TYPE_DUVIKORN, "DUVIKORN", "flux"},
    {SENSOR_TYPE_GRESTOLV, "GRESTOLV", "hail"},
};

char szSensorType[SENSOR_TYPE_SIZE] = "";
std::atomic<int> nSensorType{SENSOR_TYPE_PALVETRA};
std::atomic<float> fSensorVersion{0.0f};
std::atomic<int> nSensorFirmware{0};
std::atomic<int> bExtFlashPresent{0};
std::atomic<int> bAdmin{0};

namespace {

enum class Compare { AtLeast, AtMost };

struct FirmwareThreshold {
    FwTest nTest;
    Compare nCompare;
    int nHundredths;
};

// One line per test of the parameter and adaptation tables.
constexpr FirmwareThreshold tFirmwareThresholds[] = {
    {FW_ABOVE_2_6, Compare::AtLeast, 261},
    {FW_BELOW_2_61, Compare::AtMost, 260},
    {FW_FROM_3_18, Compare::AtLeast, 318},
    {FW_BELOW_3_18, Compare::AtMost, 317},
    {FW_BELOW_3_24, Compare::AtMost, 323},
    {FW_FROM_3_43, Compare::AtLeast, 343},
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

int SensorTypeFromName(const char* szName)
{
    for (const SensorKindInfo& k : tSensorKinds)
        if (std::strcmp(szName, k.szName) == 0)
            return k.nType;
    return -1;
}

int FirmwareHundredths(const char* szVersion)
{
    const char* p = szVersion;
    while (*p == ' ')
        p++;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    long whole = 0;
    bool digits = false;
    for (; IsDigit(*p); p++) {
        digits = true;
        if (whole < 1000000)
            whole = whole * 10 + (*p - '0');
    }
    int fraction = 0;
    if (*p == '.') {
        p++;
        for (int place = 0; place < 2; place++) {
            fraction *= 10;
            if (IsDigit(*p)) {
                fraction += *p++ - '0';
                digits = true;
            }
        }
    }
    if (!digits)
        return 0;
    const long v = whole * 100 + fraction;
    return static_cast<int>(negative ? -v : v);
}

bool FirmwareIs(FwTest nTest, int nHundredths)
{
    for (const FirmwareThreshold& t : tFirmwareThresholds) {
        if (t.nTest == nTest)
            return t.nCompare == Compare::AtLeast ? nHundredths >= t.nHundredths : nHundredths <= t.nHundredths;
    }
    return true;   // FW_ANY
}

int ExtFlashPresent(const char* szAnswer)
{
    static const char szAbsent[] = "0x000000";
    return std::strncmp(szAnswer, szAbsent, sizeof szAbsent - 1) != 0 ? 1 : 0;
}

unsigned SensorKindBit()
{
    return KindBit(nSensorType.load());
}

bool SensorFirmwareIs(FwTest nTest)
{
    return FirmwareIs(nTest, nSensorFirmware.load());
}

void ConfigResetState()
{
    szSensorType[0] = '\0';
    nSensorType = SENSOR_TYPE_PALVETRA;
    fSensorVersion = 0.0f;
    nSensorFirmware = 0;
    bExtFlashPresent = 0;
    bAdmin = 0;
}

double ConfigToNumber(const char* szText)
{
    const char* p = szText;
    while (*p == ' ' || *p == '\t')
        p++;
    if (*p == '+')
        p++;
    double value = 0.0;
    // from_chars takes the longest number at the start and stops at the
    // first unfit character; it never looks at the locale.
    const std::from_chars_result r = std::from_chars(p, p + std::strlen(p), value, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}
