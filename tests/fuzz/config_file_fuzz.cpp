// The configuration file reader and the import's dispatch into in-memory
// pages on a file that is the fuzz input (harness.h).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config_file.h"
#include "harness.h"
#include "harness_setup.h"
#include "memory_pages.h"
#include "sensor_kind.h"

namespace {

constexpr char szFuzzVisa[] = "0036003F3137510A33353438";

struct ImportRun {
    int nResult;
    std::vector<std::string> vLines;   // every file row's line after the import
};

// The file into fresh pages of the kind, fed in slices of 1 to 7 bytes when
// bSliced, else at once.
ImportRun Import(int nType, const ConfigImportOptions& tOptions, const char* pText, size_t uSize, bool bSliced)
{
    MemoryPages pages;
    ConfigAttachPages(&pages);
    ConfigPagesCreate();
    pages.SetText(CTL_MAIN_VISA, szFuzzVisa);
    ConfigPagesImport handler(tOptions);
    ImportRun run{};
    if (bSliced) {
        ConfigFileReader reader(handler, tOptions.bImportIgnoreErr);
        for (size_t at = 0, n = 1; at < uSize; at += n, n = n % 7 + 1)
            reader.Feed(pText + at, n < uSize - at ? n : uSize - at);
        run.nResult = reader.Finish();
    } else {
        run.nResult = ConfigFileRead(pText, uSize, handler, tOptions.bImportIgnoreErr);
    }
    for (const SensorParam* p : ConfigFileRows(nType))
        run.vLines.push_back(ConfigFileLine(*p));
    ConfigAttachPages(nullptr);
    return run;
}

}  // namespace

int FuzzConfigFile(const uint8_t* pData, size_t uSize)
{
    if (uSize == 0)
        return 0;
    FuzzUseProgram(PROGRAM_CONFIG);
    const int type = pData[0] % SENSOR_TYPE_COUNT;
    nSensorType = type;
    std::snprintf(szSensorType, sizeof szSensorType, "%s", tSensorKinds[type].szName);
    ConfigImportOptions options;
    options.bImportCheckHwSn = (pData[0] & 0x08) != 0;
    options.bImportFactory = (pData[0] & 0x10) != 0;
    options.bImportIgnoreErr = (pData[0] & 0x20) != 0;
    const char* text = reinterpret_cast<const char*>(pData + 1);
    const size_t size = uSize - 1;

    const ImportRun whole = Import(type, options, text, size, false);
    const ImportRun sliced = Import(type, options, text, size, true);
    ConfigFileValues values;
    const int listed = ConfigFileRead(text, size, values, false);
    // How the file arrives never changes what it does, and a file that
    // imports without ignoring errors lists without a fault.
    if (sliced.nResult != whole.nResult || sliced.vLines != whole.vLines)
        std::abort();
    if (whole.nResult && !options.bImportIgnoreErr && !listed)
        std::abort();
    return whole.nResult;
}
