#include "params.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace varnsim {
namespace {

struct KindInfo {
    const char* name;
    unsigned bit;
    const char* primary;  // suffix of the primary keys, "" without
};

constexpr KindInfo kKinds[] = {
    {"PALVETRA", kPalvetra, ""},
    {"KORVALIN", kKorvalin, "flux"},
    {"MESTRALO", kMestralo, "rain"},
    {"DUVIKORN", kDuvikorn, "flux"},
    {"GRESTOLV", kGrestolv, "hail"},
    {"ORBIK", kOrbik, ""},
};

// Who may change a parameter from the console.
enum class Access {
    ReadWrite,
    ReadOnly,  // identity and derived values
    Factory,   // only after "admin" with the password
};

// The value syntax the sensor accepts on "set".
enum class Syntax {
    None,      // read-only
    Text,      // 1 to 32 printable characters
    Integer,   // decimal digits, lo..hi
    Decimal,   // optional sign, digits, optional fraction; lo..hi
    Date,      // YYYY-MM-DD, a real calendar day
    Choice,    // one of the '|'-separated words
    Out1Mode,  // the kind's output modes (below)
    Out2Mode,
    Channel,   // SDI12 and serial channel modes
    SdiAddr,   // one letter or digit
};

constexpr int kAnyFw = 0;
constexpr int kLoggerFw = 261;   // firmware above 2.6
constexpr int kHailFw = 318;     // MESTRALO hail channel from 3.18
constexpr int kWatchdogFw = 343; // watchdog from 3.43

struct ParamSpec {
    const char* key;
    unsigned kinds;
    int minFw;         // lowest firmware in hundredths that has the key
    unsigned fwKinds;  // kinds to which minFw applies
    Access access;
    Syntax syntax;
    double lo, hi;     // Integer and Decimal bounds
    const char* choices;
    const char* def;   // default; nullptr: per kind (DefaultFor) or derived
};

constexpr double kNoLimit = 1e9;

// Room for the listing within the 2048 bytes the host reads at once, leaving
// space for the echo before it and the status line after it.
constexpr size_t kListingBudget = 1960;

// In the order the configuration listing shows them.
constexpr ParamSpec kParams[] = {
    {"sens-type", kAllKinds, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"fw-version", kAllKinds, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"hw-extflash", kAllKinds, kLoggerFw, kAllKinds, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"hw-sn", kAllKinds, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"misc-dbg", kAllKinds, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, "0x0000"},
    {"misc-scopemode", kAllKinds, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, "no"},
    {"out1-mode", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Out1Mode, 0, 0, nullptr, nullptr},
    {"out2-mode", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Out2Mode, 0, 0, nullptr, nullptr},
    {"range-flux", kFluxKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Choice, 0, 0, "2V5|5V", "5V"},
    {"range-rain", kMestralo, kAnyFw, 0, Access::ReadWrite, Syntax::Choice, 0, 0, "2V5|5V", "5V"},
    {"range-hail", kGrestolv | kMestralo, kHailFw, kMestralo, Access::ReadWrite, Syntax::Choice, 0, 0, "2V5|5V", "5V"},
    {"range-wind", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Choice, 0, 0, "2V5|5V", "5V"},
    {"fscale-flux", kFluxKinds, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"fscale-rain", kMestralo, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"fscale-hail", kGrestolv | kMestralo, kHailFw, kMestralo, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"fscale-wind", kWindKinds, kAnyFw, 0, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"pulse-thld", kPrimaryKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, 0, 100000, nullptr, nullptr},
    {"pulse-to", kPrimaryKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Integer, 1, 86400, nullptr, "60"},
    {"pulse-lvl", kPrimaryKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Choice, 0, 0, "2V5|5V", "5V"},
    {"pulse-ms", kPrimaryKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Integer, 1, 10000, nullptr, "100"},
    {"sdi12-mode", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Channel, 0, 0, nullptr, "off"},
    {"sdi12-addr", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::SdiAddr, 0, 0, nullptr, "0"},
    {"serial-mode", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Channel, 0, 0, nullptr, nullptr},
    {"cons-idle", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Integer, 1, 3600, nullptr, "60"},
    {"logger-mode", kAllKinds, kLoggerFw, kAllKinds, Access::ReadWrite, Syntax::Choice, 0, 0, "off|on|cyclic", "on"},
    {"logger-cfg", kAllKinds, kLoggerFw, kAllKinds, Access::ReadWrite, Syntax::Integer, 0, 8191, nullptr, nullptr},
    {"logger-usage", kAllKinds, kLoggerFw, kAllKinds, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"logger-capa", kAllKinds, kLoggerFw, kAllKinds, Access::ReadOnly, Syntax::None, 0, 0, nullptr, nullptr},
    {"avg-a", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Integer, 1, 86400, nullptr, "5"},
    {"avg-c", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Integer, 1, 86400, nullptr, "60"},
    {"avg-m", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Integer, 1, 86400, nullptr, "600"},
    {"lin-wc1", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "1.0250"},
    {"lin-wc3", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "0.0000"},
    {"lin-wc4", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "0.0000"},
    {"lin-wc5", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "0.0000"},
    {"lin-wc6", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "0.0000"},
    {"lin-we1", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "1.0000"},
    {"lin-we2", kWindKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "0.0000"},
    {"lin-xc1", kPrimaryKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "1.0000"},
    {"lin-xe1", kPrimaryKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, -kNoLimit, kNoLimit, nullptr, "1.0000"},
    {"misc-pwrdly", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Integer, 0, 60000, nullptr, "100"},
    {"thld-flux", kFluxKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, 0, 2500, nullptr, "25"},
    {"thld-rain", kMestralo, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, 0, 2500, nullptr, "40"},
    {"thld-hail", kGrestolv, kAnyFw, 0, Access::ReadWrite, Syntax::Decimal, 0, 2500, nullptr, "60"},
    {"sys-speed", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Choice, 0, 0, "4MHz|8MHz|16MHz|32MHz", "8MHz"},
    {"sys-clk", kAllKinds, kAnyFw, 0, Access::ReadWrite, Syntax::Choice, 0, 0, "internal|external", "internal"},
    {"sys-watchdog", kAllKinds, kWatchdogFw, kAllKinds, Access::ReadWrite, Syntax::Choice, 0, 0, "on|off", "on"},
    {"sens-version", kAllKinds, kAnyFw, 0, Access::Factory, Syntax::Text, 0, 0, nullptr, "1.3"},
    {"sens-date", kAllKinds, kAnyFw, 0, Access::Factory, Syntax::Date, 0, 0, nullptr, "2021-03-15"},
    {"sens-sn", kAllKinds, kAnyFw, 0, Access::Factory, Syntax::Text, 0, 0, nullptr, nullptr},
    {"hw-version", kAllKinds, kAnyFw, 0, Access::Factory, Syntax::Text, 0, 0, nullptr, "2.1"},
    {"hw-date", kAllKinds, kAnyFw, 0, Access::Factory, Syntax::Date, 0, 0, nullptr, "2021-02-01"},
    {"calib-date", kAllKinds, kAnyFw, 0, Access::Factory, Syntax::Date, 0, 0, nullptr, "2021-03-22"},
    {"calib-flux", kFluxKinds, kAnyFw, 0, Access::Factory, Syntax::Decimal, 0, 1000, nullptr, "1.000"},
    {"calib-rain", kMestralo, kAnyFw, 0, Access::Factory, Syntax::Decimal, 0, 1000, nullptr, "1.000"},
    {"calib-hail", kGrestolv, kAnyFw, 0, Access::Factory, Syntax::Decimal, 0, 1000, nullptr, "1.000"},
    {"calib-wind", kWindKinds, kAnyFw, 0, Access::Factory, Syntax::Decimal, 0, 1000, nullptr, "1.000"},
};

const ParamSpec* FindSpec(const std::string& key)
{
    for (const ParamSpec& param : kParams)
        if (key == param.key)
            return &param;
    return nullptr;
}

const KindInfo* FindKind(unsigned bit)
{
    for (const KindInfo& k : kKinds)
        if (k.bit == bit)
            return &k;
    return nullptr;
}

bool OneOf(const std::string& value, const std::string& choices)
{
    size_t start = 0;
    while (start <= choices.size()) {
        size_t bar = choices.find('|', start);
        if (bar == std::string::npos)
            bar = choices.size();
        if (choices.compare(start, bar - start, value) == 0 && bar - start == value.size())
            return true;
        start = bar + 1;
    }
    return false;
}

// Output and channel modes a kind offers: exactly the values the
// configuration program produces for that kind, so that whatever is stored
// reads back into the same choice.
std::string OutModes(unsigned kind, int fw, bool second)
{
    std::string modes = "off";
    if (kind & kWindKinds)
        modes += "|wind";
    if (kind & kPrimaryKinds)
        modes.append("|").append(PrimarySuffix(kind) + "|pulse");
    if (kind == kMestralo && fw >= kHailFw)
        modes += "|hail";
    if (second)
        modes += "|raw";
    return modes;
}

std::string ChannelModes(unsigned kind)
{
    std::string modes = "off";
    if (kind & kWindKinds)
        modes += "|wind";
    if (kind & kPrimaryKinds)
        modes.append("|").append(PrimarySuffix(kind));
    if ((kind & kWindKinds) && (kind & kPrimaryKinds))
        modes += "|all";
    return modes;
}

bool IsPrintableText(const std::string& value)
{
    if (value.empty() || value.size() > 32)
        return false;
    bool blankOnly = true;
    for (unsigned char c : value) {
        if (c < 0x20 || c > 0x7E)
            return false;
        if (c != ' ')
            blankOnly = false;
    }
    return !blankOnly;
}

bool ParseInteger(const std::string& value, long long* out)
{
    if (value.empty() || value.size() > 12)
        return false;
    long long n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    *out = n;
    return true;
}

bool ParseDecimal(const std::string& value, double* out)
{
    size_t i = 0;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        ++i;
    size_t digits = 0;
    while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i]))) {
        ++i;
        ++digits;
    }
    if (i < value.size() && value[i] == '.') {
        ++i;
        while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || i != value.size() || value.size() > 20)
        return false;
    *out = std::strtod(value.c_str(), nullptr);
    return true;
}

bool IsDate(const std::string& value)
{
    if (value.size() != 10 || value[4] != '-' || value[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(value[i])))
            return false;
    const int year = std::atoi(value.substr(0, 4).c_str());
    const int month = std::atoi(value.substr(5, 2).c_str());
    const int day = std::atoi(value.substr(8, 2).c_str());
    if (year < 1970 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// The defaults that differ between kinds.
std::string DefaultFor(const ParamSpec& param, unsigned kind)
{
    const std::string key = param.key;
    if (key == "out1-mode") {
        if (kind & kPrimaryKinds)
            return PrimarySuffix(kind);
        return (kind & kWindKinds) ? "wind" : "off";
    }
    if (key == "out2-mode")
        return (kind & kFluxKinds) ? "wind" : "off";
    if (key == "serial-mode") {
        if ((kind & kWindKinds) && (kind & kPrimaryKinds))
            return "all";
        if (kind & kPrimaryKinds)
            return PrimarySuffix(kind);
        return (kind & kWindKinds) ? "wind" : "off";
    }
    if (key == "pulse-thld")
        return kind == kMestralo ? "0.2" : kind == kGrestolv ? "1" : "0.10";
    if (key == "logger-cfg") {
        // Minimum, average and maximum of each channel the kind has; the
        // rain and hail kinds also count their drops or stones.
        int mask = 0;
        if (kind & kPrimaryKinds)
            mask |= 0x7;
        if (kind & kWindKinds)
            mask |= 0xE0;
        if (kind == kMestralo || kind == kGrestolv)
            mask |= 0x800;
        return std::to_string(mask);
    }
    if (key == "sens-sn") {
        const KindInfo* k = FindKind(kind);
        return std::string(k ? k->name : "X").substr(0, 2) + "-2103-0042";
    }
    return param.def ? param.def : "";
}

// Full-scale value of an analogue output for its range.
std::string FullScale(const std::string& suffix, const std::string& range)
{
    const bool low = range == "2V5";
    if (suffix == "flux")
        return low ? "10.00" : "20.00";
    if (suffix == "rain")
        return low ? "150.0" : "300.0";
    if (suffix == "hail")
        return low ? "25" : "50";
    return low ? "125.0" : "250.0";  // wind, km/h
}

} // namespace

unsigned KindFromName(const std::string& name)
{
    for (const KindInfo& k : kKinds)
        if (name == k.name)
            return k.bit;
    return 0;
}

std::string PrimarySuffix(unsigned kind)
{
    const KindInfo* k = FindKind(kind);
    return k ? k->primary : "";
}

int FirmwareHundredths(const std::string& version)
{
    size_t i = 0;
    while (i < version.size() && version[i] == ' ')
        ++i;
    int whole = 0;
    bool digits = false;
    while (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i]))) {
        whole = whole * 10 + (version[i] - '0');
        digits = true;
        if (whole > 100000)
            return 0;
        ++i;
    }
    int fraction = 0;
    if (i < version.size() && version[i] == '.') {
        ++i;
        for (int place = 0; place < 2; ++place) {
            fraction *= 10;
            if (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i]))) {
                fraction += version[i] - '0';
                digits = true;
                ++i;
            }
        }
    }
    return digits ? whole * 100 + fraction : 0;
}

ParamStore::ParamStore(unsigned kind, const std::string& fwVersion, const std::string& hwSerial, bool externalFlash,
                       int loggerRecords, int loggerCapacity)
    : kind_(kind), hwSerial_(hwSerial), externalFlash_(externalFlash), loggerRecords_(loggerRecords),
      loggerCapacity_(loggerCapacity)
{
    const KindInfo* info = FindKind(kind);
    values_["sens-type"] = info ? info->name : "";
    values_["fw-version"] = fwVersion;
    values_["hw-sn"] = hwSerial;
    values_["hw-extflash"] = externalFlash ? "0x00EF4016" : "0x00000000";
    FactoryReset();
    for (const ParamSpec& param : kParams)
        if (param.access == Access::Factory)
            values_[param.key] = DefaultFor(param, kind_);
    values_["misc-dbg"] = "0x0000";
    values_["misc-scopemode"] = "no";
}

void ParamStore::FactoryReset()
{
    for (const ParamSpec& param : kParams)
        if (param.access == Access::ReadWrite)
            values_[param.key] = DefaultFor(param, kind_);
}

int ParamStore::Firmware() const
{
    return FirmwareHundredths(Value("fw-version"));
}

bool ParamStore::HasLogger() const
{
    return Firmware() >= kLoggerFw && externalFlash_;
}

bool ParamStore::Has(const std::string& key) const
{
    if (forced_.count(key))
        return true;
    const ParamSpec* param = FindSpec(key);
    if (!param || !(param->kinds & kind_))
        return false;
    return !(param->fwKinds & kind_) || Firmware() >= param->minFw;
}

std::string ParamStore::Value(const std::string& key) const
{
    auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
}

std::string ParamStore::Derived(const std::string& key) const
{
    if (forced_.count(key))
        return Value(key);
    if (key.rfind("fscale-", 0) == 0) {
        const std::string suffix = key.substr(7);
        return FullScale(suffix, Value("range-" + suffix));
    }
    if (key == "logger-usage")
        return std::to_string(HasLogger() ? loggerRecords_ : 0);
    if (key == "logger-capa")
        return std::to_string(HasLogger() ? loggerCapacity_ : 0);
    return Value(key);
}

long long ParamStore::IdleMs() const
{
    long long seconds = 0;
    if (!ParseInteger(Value("cons-idle"), &seconds) || seconds < 1)
        seconds = 60;
    return seconds * 1000;
}

ParamResult ParamStore::Get(const std::string& key) const
{
    if (key.empty())
        return {false, "Missing parameter"};
    if (!Has(key))
        return {false, "Unknown parameter"};
    return {true, Derived(key)};
}

ParamResult ParamStore::Set(const std::string& key, const std::string& value, bool adminUnlocked)
{
    if (key.empty())
        return {false, "Missing parameter"};
    const ParamSpec* param = FindSpec(key);
    if (!param || !Has(key))
        return {false, "Unknown parameter"};
    if (param->access == Access::ReadOnly)
        return {false, "Read-only parameter"};
    if (param->access == Access::Factory && !adminUnlocked)
        return {false, "Factory parameter locked"};

    bool valid = false;
    long long integer = 0;
    double decimal = 0;
    switch (param->syntax) {
    case Syntax::None:
        break;
    case Syntax::Text:
        valid = IsPrintableText(value);
        break;
    case Syntax::Integer:
        valid = ParseInteger(value, &integer);
        if (valid && (integer < param->lo || integer > param->hi))
            return {false, "Value out of range"};
        break;
    case Syntax::Decimal:
        valid = ParseDecimal(value, &decimal);
        if (valid && (decimal < param->lo || decimal > param->hi))
            return {false, "Value out of range"};
        break;
    case Syntax::Date:
        valid = IsDate(value);
        break;
    case Syntax::Choice:
        valid = OneOf(value, param->choices);
        break;
    case Syntax::Out1Mode:
        valid = OneOf(value, OutModes(kind_, Firmware(), false));
        break;
    case Syntax::Out2Mode:
        valid = OneOf(value, OutModes(kind_, Firmware(), true));
        break;
    case Syntax::Channel:
        valid = OneOf(value, ChannelModes(kind_));
        break;
    case Syntax::SdiAddr:
        valid = value.size() == 1 && std::isalnum(static_cast<unsigned char>(value[0]));
        break;
    }
    if (!valid)
        return {false, "Invalid value"};

    // Acquisition within cycle within measurement: A <= C <= M at all times.
    // This is why a host sets A and C to 1 before it sends new durations.
    if (key == "avg-a" || key == "avg-c" || key == "avg-m") {
        long long a = 0, c = 0, m = 0;
        ParseInteger(Value("avg-a"), &a);
        ParseInteger(Value("avg-c"), &c);
        ParseInteger(Value("avg-m"), &m);
        (key == "avg-a" ? a : key == "avg-c" ? c : m) = integer;
        if (a > c || c > m)
            return {false, "Averaging order must be A <= C <= M"};
    }

    values_[key] = value;
    forced_.erase(key);
    return {true, value};
}

void ParamStore::Force(const std::string& key, const std::string& value)
{
    values_[key] = value;
    forced_.insert(key);
}

std::string ParamStore::Listing() const
{
    std::string text = Value("sens-type").substr(0, 32) + " sensor configuration (firmware " +
                       Value("fw-version").substr(0, 32) + ", S/N " + Value("hw-sn").substr(0, 32) + ")\r\n\r\n";
    for (const ParamSpec& param : kParams) {
        const std::string key = param.key;
        if (key == "sens-type" || key == "fw-version" || key == "hw-sn" || !Has(key))
            continue;
        char line[96];
        std::snprintf(line, sizeof line, "%s=%.40s\r\n", param.key, Derived(key).c_str());
        // The host takes the listing in one read of at most 2048 bytes.
        if (text.size() + std::strlen(line) > kListingBudget)
            break;
        text += line;
    }
    text += "\r\n";
    return text;
}

} // namespace varnsim
