// The configuration file (".varncfg"): one sensor's configuration as the
// pages show it, in text lines a technician can read and edit.
//
//   [VARN-CONFIG=0036003F3137510A33353438]
//   sens-type=KORVALIN
//   out1-mode=flux
//   ...
//   calib-wind=1.000
//
// The header carries the sensor's signature (the main window's "Visa", its
// hardware serial number, 24 characters on the sensors; read up to the "]"
// whatever its length). The body has one "key=value"
// line per row of the parameter table marked for the file whose file kinds
// include the sensor's kind, in table order: 37 lines for a kind with a
// primary quantity, 34 for PALVETRA. Keys the kind does not use are written
// from their (disabled) controls all the same.
//
// The writer takes every value from its control (codecs.h); the reader
// splits bytes into lines and hands the header and each body line to a
// handler. ConfigPagesImport is the import's handler: it writes the values
// into the attached pages. Neither keeps state between files, and both run
// on whichever thread calls them; every fault is reported once through
// Error with the line it was found on.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "param_table.h"

constexpr char szConfigFileId[] = "VARN-CONFIG";
constexpr char szConfigFileExt[] = ".varncfg";
// Characters of the signature between "[VARN-CONFIG=" and "]" as the
// sensors have it (the reader takes any length up to the "]").
constexpr size_t CONFIG_SIGNATURE_LEN = 24;
// Longest piece of a line read at once (bytes, line end included); a
// longer line is read in pieces of this size, each taken and counted as a
// line of its own.
constexpr size_t CONFIG_LINE_MAX = 2047;
// The line end the writer uses: the platform's text line end.
extern const char szConfigFileEol[];

// --- Writer ---------------------------------------------------------------------

// The rows a file of the kind holds, in file order.
std::vector<const SensorParam*> ConfigFileRows(int nType);
// "[VARN-CONFIG=signature]".
std::string ConfigFileHeader(const std::string& sSignature);
// "key=value" of a row, the value from its control as it stands ("sens-type"
// from szSensorType, the serial number without the "unknown" of load and
// send).
std::string ConfigFileLine(const SensorParam& tParam);

// --- Reader ---------------------------------------------------------------------

class ConfigFileHandler {
public:
    virtual ~ConfigFileHandler() = default;
    // The header passed its identifier and format checks; sSignature is the
    // text between "=" and the first "]". 1 to go on, 0 to stop (the handler has reported why).
    virtual int Header(const std::string& sSignature) = 0;
    // A body line split at its first "=" (the value keeps any further "=").
    // 1 when it was taken; 0 when it is faulty (the handler has reported
    // it): the reader goes on when errors are ignored, else it stops.
    virtual int Line(const std::string& sKey, const std::string& sValue, int nLine) = 0;
};

// Reads a file fed in any slices. Lines end at a line feed; a carriage
// return right before it is dropped as text mode does, so CR LF and LF
// files read alike, line numbers and pieces included. Each line (or piece,
// see CONFIG_LINE_MAX) is cut at a NUL byte, counted (the first is line 1),
// and loses one trailing line feed and then one trailing carriage return.
// Empty lines and lines beginning with ";" are skipped. The first other line
// must be the header:
//   - beginning with "[VARN-CONFIG=", else "Bad file header identifier '%s' !";
//   - with a "]" after the signature, else "Bad file header format '%s' !";
// both stop the reading whatever bIgnoreErrors says, as a stop of the
// handler's Header does. Every later line without "=" is "Bad line format
// '%s' at line %d !"; it and a line the handler refuses stop the reading
// unless bIgnoreErrors.
class ConfigFileReader {
public:
    ConfigFileReader(ConfigFileHandler& tHandler, bool bIgnoreErrors);

    // The next bytes of the file; false once the reading has stopped (the
    // rest is not looked at).
    bool Feed(const char* pData, size_t uSize);
    // The end of the file (a last line without line end is taken now). 1
    // when the whole file was read, 0 when the reading stopped. A file of
    // comments only, or an empty one, reads as a whole without a header.
    int Finish();

    int LinesRead() const { return nLine; }

private:
    void Add(char c);
    void TakePiece();
    void TakeLine(const std::string& sLine);

    ConfigFileHandler& tHandler;
    bool bIgnoreErrors;
    bool bStopped = false;
    bool bHeader = false;
    bool bPendingCr = false;
    int nLine = 0;
    std::string sPiece;
};

// The whole file in memory through a reader: Finish's result. Safe on any
// bytes (the fuzzer's entry).
int ConfigFileRead(const char* pData, size_t uSize, ConfigFileHandler& tHandler, bool bIgnoreErrors);

// --- The import into the pages -----------------------------------------------

// The Import dialog's four options.
struct ConfigImportOptions {
    bool bImportApply = true;         // "Apply imported parameters": send after the import
    bool bImportCheckHwSn = true;     // "Check for sensor signature"
    bool bImportFactory = false;      // "Import factory parameters"
    bool bImportIgnoreErr = false;    // "Ignore import error"
};

// What a body line's key does on import.
enum ConfigFileKeyUse : int {
    KEY_UNKNOWN = 0,   // "Unknown parameter '%s' at line %d !"
    KEY_SENSOR_TYPE,   // checked against the connected sensor's type
    KEY_PAGE,          // into its control through its codec, or as text
    KEY_FACTORY,       // the same, only with factory import; skipped silently otherwise
};
// The use of a key and, for KEY_PAGE and KEY_FACTORY, the row that carries
// its control ("range-flux", "range-rain" and "range-hail" all into the
// primary range list, the three noise thresholds into the one box, the
// three primary calibration factors into the one box).
ConfigFileKeyUse ConfigFileKey(const char* szKey, const SensorParam** ppRow);

// The import's handler: the signature against the main window's "Visa"
// when asked ("This file is not exported from this sensor !\n(file: %s,
// sensor: %s)"), "sens-type" against szSensorType ("This file is exported
// from '%s' sensor, not from '%s' sensor !"), every value into the attached
// pages, factory values only with bImportFactory. A line is refused with its
// number when its key is a parameter of another control on the connected
// kind ("Parameter '%s' at line %d is not applied to a %s sensor !": a
// "range-hail" line on a MESTRALO), when its codec does not know the value,
// or when the value is empty and the sensor would be sent it ("Bad value
// for '%s' at line %d : %s !"). fnLine, when given, is called before each
// body line is taken (the import's progress step).
class ConfigPagesImport : public ConfigFileHandler {
public:
    explicit ConfigPagesImport(const ConfigImportOptions& tOptions, std::function<void()> fnLine = nullptr);
    int Header(const std::string& sSignature) override;
    int Line(const std::string& sKey, const std::string& sValue, int nLine) override;
    // Body lines whose value went into the pages.
    int Applied() const { return nApplied; }

private:
    ConfigImportOptions tOptions;
    std::function<void()> fnLine;
    int nApplied = 0;
};

// A handler that keeps the body lines as they stand, the last value of a
// key given twice, in the order keys first appear (the diff).
class ConfigFileValues : public ConfigFileHandler {
public:
    int Header(const std::string& sSignature) override;
    int Line(const std::string& sKey, const std::string& sValue, int nLine) override;
    const std::vector<std::pair<std::string, std::string>>& Values() const { return vValues; }

private:
    std::vector<std::pair<std::string, std::string>> vValues;
    std::map<std::string, size_t> tIndex;
};
