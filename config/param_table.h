// The sensor parameter table: every key the configuration reads or writes,
// in the order in which the load reads and the send writes them.
//
// A key that lands in different controls for different kinds has one row
// per control ("range-hail" goes to the primary range list of a GRESTOLV
// sensor and to the hail range list of a MESTRALO sensor from firmware
// 3.18 on); for one kind and firmware at most one row of a key applies.
// Load, send, export and import walk this table; none keeps a list of its
// own.
#pragma once

#include <cstddef>

#include "pages.h"
#include "sensor_kind.h"

// How a value moves between the wire and its control (codecs.h).
enum ParamCodec : int {
    CODEC_NONE = 0,        // identity key, not on a page
    CODEC_TEXT,            // the control's text
    CODEC_SERIAL_NUMBER,   // text; load and send show and send a blank one as "unknown"
    CODEC_OUT1,            // SetOut1Mode / GetOut1Mode
    CODEC_OUT2,
    CODEC_RANGE,           // SetRange / GetRange on nControl
    CODEC_SDI12,           // SetSdi12Mode, and the address box enabled unless "off"
    CODEC_SERIAL_MODE,
    CODEC_ON_OFF,          // SetOnOff / GetOnOff on nControl
    CODEC_LOGGER_MODE,
    CODEC_LOGGER_FIELDS,
    CODEC_SYS_SPEED,
    CODEC_SYS_CLK,
    CODEC_DATE,
};

// Operations that handle a row.
enum ParamOp : unsigned {
    OP_LOAD = 1u << 0,    // L
    OP_SEND = 1u << 1,    // S
    OP_FILE = 1u << 2,    // F: exported and imported
};

enum ParamFlag : unsigned {
    PARAM_AVERAGING_UPDATE = 1u << 0,   // the load recomputes the derived figures after this row
};

struct SensorParam {
    const char* szKey;       // as sent on the wire
    const char* szLabel;     // quoted in the console's failure messages
    unsigned uKinds;         // kinds that load and send it (KIND_* bits)
    FwTest nFirmware;        // firmware condition of load and send
    int nPage;               // ConfigPage; PAGE_MAIN for the identity keys
    CtlId nControl;          // the control, or the first button of a radio group
    ParamCodec nCodec;
    unsigned uOps;           // ParamOp bits
    unsigned uFileKinds;     // kinds whose configuration file has the line
    unsigned uFlags;         // ParamFlag bits
};

extern const SensorParam tSensorParams[];
extern const size_t uSensorParamCount;

// The first row of the key (any kind); null for an unknown key.
const SensorParam* SensorParamByKey(const char* szKey);

// The row of the key that applies to the kind and firmware for operation
// uOp, or null.
const SensorParam* SensorParamFor(const char* szKey, unsigned uOp, unsigned uKindBit, int nFirmware);

// The row a configuration file line of the key goes to (OP_FILE), any
// kind; null when the file has no such key.
const SensorParam* SensorParamForFile(const char* szKey);

// True when load and send handle the row for this kind and firmware.
bool SensorParamApplies(const SensorParam& tParam, unsigned uKindBit, int nFirmware);

// The same for the connected sensor.
bool SensorParamAppliesNow(const SensorParam& tParam);

// The label of a key, "" for an unknown one.
const char* SensorParamLabel(const char* szKey);

// The thirteen datalogger field boxes, bit 0 first.
extern const CtlId nLoggerFieldIds[13];
constexpr int LOGGER_FIELD_COUNT = 13;
