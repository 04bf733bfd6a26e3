// The sensor's parameters: which keys each kind and firmware has, their
// defaults, and the value syntax the sensor accepts on "set".
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace varnsim {

// Sensor kinds as bits, so that a parameter can name the kinds that have it.
enum KindBit : unsigned {
    kPalvetra = 1u << 0,
    kKorvalin = 1u << 1,
    kMestralo = 1u << 2,
    kDuvikorn = 1u << 3,
    kGrestolv = 1u << 4,
    kOrbik = 1u << 5,
};
inline constexpr unsigned kFluxKinds = kKorvalin | kDuvikorn;
inline constexpr unsigned kWindKinds = kKorvalin | kDuvikorn | kPalvetra;
inline constexpr unsigned kPrimaryKinds = kKorvalin | kDuvikorn | kMestralo | kGrestolv;
inline constexpr unsigned kAllKinds = kWindKinds | kPrimaryKinds | kOrbik;

// The kind's bit for its type name; 0 for an unknown name.
unsigned KindFromName(const std::string& name);
// "flux", "rain" or "hail": the suffix of the kind's primary keys; empty for
// the kinds without a primary quantity.
std::string PrimarySuffix(unsigned kind);

// A firmware version text ("3.45") in hundredths (345); the leading decimal
// number counts, so "2.6" is 260 and "3.4x" is 340. No number gives 0.
int FirmwareHundredths(const std::string& version);

// Outcome of a get or set: ok, or the reason for the refusal.
struct ParamResult {
    bool ok = false;
    std::string text;  // the value when ok, else the reason
};

// The stored configuration of one sensor. Not thread-safe.
class ParamStore {
public:
    ParamStore(unsigned kind, const std::string& fwVersion, const std::string& hwSerial, bool externalFlash,
               int loggerRecords, int loggerCapacity);

    // The value a "get" answers, or a refusal.
    ParamResult Get(const std::string& key) const;
    // A "set" from the console: checked against the key's syntax, access and
    // the averaging order; stored when accepted.
    ParamResult Set(const std::string& key, const std::string& value, bool adminUnlocked);
    // Stores verbatim, without checks (tests and command-line presets).
    void Force(const std::string& key, const std::string& value);
    // Every settable parameter back to its default ("reset confirm").
    void FactoryReset();

    // The "config" listing: heading, blank line, one "key=value" line per
    // parameter, blank line. Every line ends with CR LF.
    std::string Listing() const;

    unsigned Kind() const { return kind_; }
    int Firmware() const;          // hundredths, from the current "fw-version"
    bool HasLogger() const;        // firmware above 2.6 with the flash chip
    int LoggerRecords() const { return loggerRecords_; }
    int LoggerCapacity() const { return loggerCapacity_; }
    void SetLoggerRecords(int n) { loggerRecords_ = n; }
    void SetLoggerCapacity(int n) { loggerCapacity_ = n; }
    // A parameter's stored value (empty when absent), for the logger and
    // console which read their settings from the store.
    std::string Value(const std::string& key) const;
    // Console idle time-out in ms from "cons-idle".
    long long IdleMs() const;

private:
    bool Has(const std::string& key) const;
    std::string Derived(const std::string& key) const;

    unsigned kind_;
    std::string hwSerial_;
    bool externalFlash_;
    int loggerRecords_;
    int loggerCapacity_;
    std::map<std::string, std::string> values_;
    std::set<std::string> forced_;  // keys given by Force(), present whatever the kind
};

} // namespace varnsim
