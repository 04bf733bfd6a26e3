// Sensor kinds, their groups and firmware tests, and the program-wide state
// that the load writes and everything else reads.
//
// The state variables are written by the one running worker (load, send,
// import) or on the window thread while no worker runs; they are atomic so
// that a window redraw reading them meanwhile is well defined.
#pragma once

#include <atomic>
#include <cstddef>

enum SensorType : int {
    SENSOR_TYPE_PALVETRA = 0,
    SENSOR_TYPE_KORVALIN = 1,
    SENSOR_TYPE_MESTRALO = 2,
    SENSOR_TYPE_DUVIKORN = 3,
    SENSOR_TYPE_GRESTOLV = 4,
    SENSOR_TYPE_COUNT
};

// Kinds as bits, so that a table row can name the kinds it applies to.
constexpr unsigned KindBit(int nType) { return 1u << nType; }
constexpr unsigned KIND_PALVETRA = KindBit(SENSOR_TYPE_PALVETRA);
constexpr unsigned KIND_KORVALIN = KindBit(SENSOR_TYPE_KORVALIN);
constexpr unsigned KIND_MESTRALO = KindBit(SENSOR_TYPE_MESTRALO);
constexpr unsigned KIND_DUVIKORN = KindBit(SENSOR_TYPE_DUVIKORN);
constexpr unsigned KIND_GRESTOLV = KindBit(SENSOR_TYPE_GRESTOLV);
constexpr unsigned KINDS_FLUX = KIND_KORVALIN | KIND_DUVIKORN;
constexpr unsigned KINDS_WIND = KINDS_FLUX | KIND_PALVETRA;
constexpr unsigned KINDS_PRIMARY = KINDS_FLUX | KIND_MESTRALO | KIND_GRESTOLV;
constexpr unsigned KINDS_ALL = KINDS_WIND | KINDS_PRIMARY;

struct SensorKindInfo {
    int nType;
    const char* szName;     // the "sens-type" answer, exact
    const char* szSuffix;   // of the primary keys: "flux", "rain", "hail"; "" without
};
extern const SensorKindInfo tSensorKinds[SENSOR_TYPE_COUNT];   // indexed by SensorType

// The kind of an exact, case-sensitive type name; -1 for any other text.
int SensorTypeFromName(const char* szName);

// Firmware tests. Versions are compared in hundredths, so that every version
// lies on exactly one side of each threshold: "above 2.6" is from 2.61 on,
// "below 2.61" up to 2.60, "below 3.24" up to 3.23.
enum FwTest : int {
    FW_ANY = 0,
    FW_ABOVE_2_6,     // >= 2.61
    FW_BELOW_2_61,    // <= 2.60
    FW_FROM_3_18,     // >= 3.18
    FW_BELOW_3_18,    // <= 3.17
    FW_BELOW_3_24,    // <= 3.23
    FW_FROM_3_43,     // >= 3.43
};

// The leading decimal number of a version text in hundredths: blanks are
// skipped, further decimals are dropped ("3.456" is 345), "2.6" is 260, no
// digits give 0.
int FirmwareHundredths(const char* szVersion);

// nTest for a version in hundredths.
bool FirmwareIs(FwTest nTest, int nHundredths);

// --- Program-wide state -------------------------------------------------

constexpr size_t SENSOR_TYPE_SIZE = 512;
extern char szSensorType[SENSOR_TYPE_SIZE];   // the last "sens-type" answer, verbatim
extern std::atomic<int> nSensorType;          // SensorType; 0 until a sensor was loaded
extern std::atomic<float> fSensorVersion;     // "fw-version" as a number, for display
extern std::atomic<int> nSensorFirmware;      // the same in hundredths: every comparison uses it
extern std::atomic<int> bExtFlashPresent;     // the logger's flash chip, from "hw-extflash"
extern std::atomic<int> bAdmin;               // factory parameters unlocked

// The "hw-extflash" answer: the chip is there unless the first eight
// characters are "0x000000".
int ExtFlashPresent(const char* szAnswer);

// The connected sensor: its kind bit, and a firmware test on its version.
unsigned SensorKindBit();
bool SensorFirmwareIs(FwTest nTest);

// Back to the state at program start (tests start each case from it).
void ConfigResetState();

// Locale-independent decimal conversion of a page text (the window runs
// with the user's locale): leading blanks, a sign, digits, a fraction and
// an exponent; conversion stops at the first unfit character; no number
// gives 0.
double ConfigToNumber(const char* szText);
