#include "config_file.h"

#include <cstring>

#include "codecs.h"
#include "log.h"
#include "pages.h"
#include "sensor_kind.h"
#include "value_check.h"

#if defined(_WIN32)
const char szConfigFileEol[] = "\r\n";
#else
const char szConfigFileEol[] = "\n";
#endif

namespace {

// "[VARN-CONFIG=": what the header begins with.
const std::string sHeaderPrefix = std::string("[") + szConfigFileId + "=";

}  // namespace

// --- Writer ---------------------------------------------------------------------

std::vector<const SensorParam*> ConfigFileRows(int nType)
{
    std::vector<const SensorParam*> rows;
    const unsigned kind = KindBit(nType);
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_FILE) != 0 && (p.uFileKinds & kind) != 0)
            rows.push_back(&p);
    }
    return rows;
}

std::string ConfigFileHeader(const std::string& sSignature)
{
    return sHeaderPrefix + sSignature + "]";
}

std::string ConfigFileLine(const SensorParam& tParam)
{
    const std::string value = tParam.nPage == PAGE_MAIN ? std::string(szSensorType) : ParamGetValue(tParam, USE_FILE);
    return std::string(tParam.szKey) + "=" + value;
}

// --- Reader ---------------------------------------------------------------------

ConfigFileReader::ConfigFileReader(ConfigFileHandler& handler, bool bIgnore) : tHandler(handler), bIgnoreErrors(bIgnore)
{
    sPiece.reserve(CONFIG_LINE_MAX);
}

bool ConfigFileReader::Feed(const char* pData, size_t uSize)
{
    for (size_t i = 0; i < uSize && !bStopped; i++) {
        const char c = pData[i];
        if (bPendingCr) {
            bPendingCr = false;
            if (c == '\n') {
                Add('\n');
                continue;
            }
            Add('\r');
            if (bStopped)
                break;
        }
        if (c == '\r')
            bPendingCr = true;
        else
            Add(c);
    }
    return !bStopped;
}

int ConfigFileReader::Finish()
{
    if (!bStopped && bPendingCr) {
        bPendingCr = false;
        Add('\r');
    }
    if (!bStopped && !sPiece.empty())
        TakePiece();
    return bStopped ? 0 : 1;
}

void ConfigFileReader::Add(char c)
{
    sPiece.push_back(c);
    if (c == '\n' || sPiece.size() >= CONFIG_LINE_MAX)
        TakePiece();
}

void ConfigFileReader::TakePiece()
{
    std::string line(sPiece.c_str());   // up to a NUL byte, as a C text ends
    sPiece.clear();
    nLine++;
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty() || line[0] == ';')
        return;
    TakeLine(line);
}

void ConfigFileReader::TakeLine(const std::string& sLine)
{
    if (!bHeader) {
        // Any fault of the header stops: nothing after it can be trusted.
        if (sLine.compare(0, sHeaderPrefix.size(), sHeaderPrefix) != 0) {
            Error("Bad file header identifier '%s' !", sLine.c_str());
            bStopped = true;
            return;
        }
        // The signature runs to the "]", whatever its length: a sensor whose
        // hardware serial number is not 24 characters long gets its own
        // files back.
        const size_t close = sLine.find(']', sHeaderPrefix.size());
        if (close == std::string::npos) {
            Error("Bad file header format '%s' !", sLine.c_str());
            bStopped = true;
            return;
        }
        bHeader = true;
        if (!tHandler.Header(sLine.substr(sHeaderPrefix.size(), close - sHeaderPrefix.size())))
            bStopped = true;
        return;
    }
    const size_t eq = sLine.find('=');
    int taken = 0;
    if (eq == std::string::npos)
        Error("Bad line format '%s' at line %d !", sLine.c_str(), nLine);
    else
        taken = tHandler.Line(sLine.substr(0, eq), sLine.substr(eq + 1), nLine);
    if (!taken && !bIgnoreErrors)
        bStopped = true;
}

int ConfigFileRead(const char* pData, size_t uSize, ConfigFileHandler& tHandler, bool bIgnoreErrors)
{
    ConfigFileReader reader(tHandler, bIgnoreErrors);
    reader.Feed(pData, uSize);
    return reader.Finish();
}

// --- The import into the pages -----------------------------------------------

ConfigFileKeyUse ConfigFileKey(const char* szKey, const SensorParam** ppRow)
{
    const SensorParam* row = SensorParamForFile(szKey);
    if (ppRow != nullptr)
        *ppRow = row;
    if (row == nullptr)
        return KEY_UNKNOWN;
    if (row->nPage == PAGE_MAIN)
        return KEY_SENSOR_TYPE;
    return row->nPage == PAGE_FACTORY ? KEY_FACTORY : KEY_PAGE;
}

ConfigPagesImport::ConfigPagesImport(const ConfigImportOptions& options, std::function<void()> fn)
    : tOptions(options), fnLine(std::move(fn))
{
}

int ConfigPagesImport::Header(const std::string& sSignature)
{
    if (!tOptions.bImportCheckHwSn)
        return 1;
    const std::string visa = PageText(CTL_MAIN_VISA);
    if (sSignature != visa)
        return Error("This file is not exported from this sensor !\n(file: %s, sensor: %s)", sSignature.c_str(),
                     visa.c_str());
    return 1;
}

namespace {

// True when the connected kind has a parameter of this key in another
// control than the file's row: a MESTRALO's "range-hail" is its hail range,
// never the rain range that a GRESTOLV file's line goes to.
bool KeyIsAnotherControlHere(const SensorParam& tRow)
{
    const unsigned kind = SensorKindBit();
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if (std::strcmp(p.szKey, tRow.szKey) == 0 && (p.uKinds & kind) != 0 && p.nControl != tRow.nControl)
            return true;
    }
    return false;
}

}  // namespace

int ConfigPagesImport::Line(const std::string& sKey, const std::string& sValue, int nLine)
{
    if (fnLine)
        fnLine();
    const SensorParam* row = nullptr;
    switch (ConfigFileKey(sKey.c_str(), &row)) {
    case KEY_UNKNOWN:
        return Error("Unknown parameter '%s' at line %d !", sKey.c_str(), nLine);
    case KEY_SENSOR_TYPE:
        if (sValue != szSensorType)
            return Error("This file is exported from '%s' sensor, not from '%s' sensor !", sValue.c_str(),
                         szSensorType);
        return 1;
    case KEY_FACTORY:
        if (!tOptions.bImportFactory)
            return 1;
        break;
    case KEY_PAGE:
        break;
    }
    if (KeyIsAnotherControlHere(*row))
        return Error("Parameter '%s' at line %d is not applied to a %s sensor !", sKey.c_str(), nLine, szSensorType);
    // A value the pages cannot show as it stands, or an empty one the sensor
    // would be sent, is not taken.
    const bool sent = SensorParamAppliesNow(*row);
    const std::string fault = ConfigValueFault(*row, sValue, sent ? CHECK_PRESENT : CHECK_WORDS);
    if (!fault.empty())
        return Error("Bad value for '%s' at line %d : %s !", sKey.c_str(), nLine, fault.c_str());
    ParamSetValue(*row, sValue.c_str(), USE_FILE);
    nApplied++;
    return 1;
}

int ConfigFileValues::Header(const std::string&)
{
    return 1;
}

int ConfigFileValues::Line(const std::string& sKey, const std::string& sValue, int)
{
    const auto [it, added] = tIndex.emplace(sKey, vValues.size());
    if (added)
        vValues.emplace_back(sKey, sValue);
    else
        vValues[it->second].second = sValue;
    return 1;
}
