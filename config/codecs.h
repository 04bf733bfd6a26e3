// The codecs: value strings from the sensor or the file into the state of
// page controls (Set), the state of the controls back into value strings
// (Get), and the three fillers of the fixed lists.
//
// Each codec is a pure mapping (value to choice, choice to value) and a
// thin access to the attached pages (pages.h), so it runs on whichever
// thread calls it. Codecs never fail and never report: an unrecognised
// value selects the documented default (Disabled, position 1, 1970-01-01,
// an empty mask). The group codecs find their controls themselves; the
// single-control codecs take the control.
#pragma once

#include <string>

#include "pages.h"
#include "param_table.h"

// --- List fillers: the entries, then the first one selected -------------
void LoadRangeList(CtlId nCombo);     // "2.5 V", "5 V"
void LoadSysSpeedList(CtlId nCombo);  // "4 MHz", "8 MHz", "16 MHz", "32 MHz"
void LoadSysClkList(CtlId nCombo);    // "Internal", "External"

// --- Radio groups: Set clears the group, then checks one button; Get
// answers for the first checked button in the codec's test order ---------
void SetOut1Mode(const char* szValue);
std::string GetOut1Mode();
void SetOut2Mode(const char* szValue);
std::string GetOut2Mode();
void SetSdi12Mode(const char* szValue);
std::string GetSdi12Mode();
void SetSerialMode(const char* szValue);
std::string GetSerialMode();
void SetDataloggerMode(const char* szValue);
std::string GetDataloggerMode();

// --- Single controls ---------------------------------------------------------
void SetRange(CtlId nCombo, const char* szValue);    // exactly "2V5": "2.5 V", else "5 V"
std::string GetRange(CtlId nCombo);                  // "2V5" for position 0, else "5V"
void SetOnOff(CtlId nCheck, const char* szValue);    // checked exactly for "on"
std::string GetOnOff(CtlId nCheck);
void SetSysSpeed(CtlId nCombo, const char* szValue);
std::string GetSysSpeed(CtlId nCombo);
void SetSysClk(CtlId nCombo, const char* szValue);
std::string GetSysClk(CtlId nCombo);
// SetDate reads the value without changing it; a value that is not a
// calendar day written "YYYY-MM-DD" sets 1970-01-01.
void SetDate(CtlId nPicker, const char* szValue);
std::string GetDate(CtlId nPicker);                  // "%04d-%02d-%02d"

// --- Datalogger fields -----------------------------------------------------------
// The value as an integer in prefixed notation (decimal, 0x hexadecimal,
// leading-zero octal; stops at the first unfit character; no digits give
// 0); box i checked exactly when bit i is set, i = 0 to 12.
void SetDataloggerFields(const char* szValue);
// The mask of the checked boxes (bits 0 to 12), in decimal.
std::string GetDataloggerFields();

// --- The pure mappings, for tests and for choices shown elsewhere ----------------
// Button positions of the output groups.
enum OutChoice : int { OUT_DISABLED = 0, OUT_WIND, OUT_PRIMARY, OUT_PULSE, OUT_HAIL, OUT_RAW };
int OutModeChoice(const char* szValue, bool bOut2, int nType);
// Positions of the channel groups (SDI12, Serial).
enum ChannelChoice : int { CHANNEL_DISABLED = 0, CHANNEL_WIND, CHANNEL_PRIMARY, CHANNEL_BOTH };
int ChannelModeChoice(const char* szValue);
// The answer of a primary button: "flux", "rain", "hail", or "off" for a
// kind without a primary quantity.
const char* PrimaryModeValue(int nType);
int RangeChoice(const char* szValue);
int SysSpeedChoice(const char* szValue);
int SysClkChoice(const char* szValue);
int DataloggerModeChoice(const char* szValue);     // 0 Disabled, 1 Enabled, 2 Cyclic
unsigned DataloggerFieldsMask(const char* szValue);
bool ParseConfigDate(const char* szValue, ConfigDate* pDate);
std::string FormatConfigDate(const ConfigDate& tDate);

// --- A table row's value ----------------------------------------------------------
// Who moves the value: the load and the send turn a blank serial number
// into "unknown"; the file takes and gives it as it stands.
enum ParamUse { USE_LOAD, USE_SEND, USE_FILE };

// Writes a value into the row's control through its codec (the SDI12 mode
// also enables the address box unless the value is "off").
void ParamSetValue(const SensorParam& tParam, const char* szValue, ParamUse nUse);
// Reads the row's value from its control (at most CONFIG_VALUE_MAX bytes).
std::string ParamGetValue(const SensorParam& tParam, ParamUse nUse);
// True when the row's codec has a choice of its own for the value (a value
// it does not know selects the default, as the sensor's answers may): the
// words of its table, a calendar day, a number of field bits. Every value
// of a text row counts as known.
bool ParamValueKnown(const SensorParam& tParam, const char* szValue);
// The controls whose state carries the row's value (a whole radio group,
// the thirteen field boxes, or the one control).
std::vector<CtlId> ParamControls(const SensorParam& tParam);
