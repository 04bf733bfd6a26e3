// Configuration import: the checks of the Import dialog with the unlock for
// factory parameters, and the import worker with its follow-ups.
#include <cstdio>
#include <string>

#include "config_file.h"
#include "config_task.h"
#include "derived.h"
#include "fileutil.h"
#include "file_task.h"
#include "log.h"
#include "operations.h"
#include "progress.h"
#include "sensor_kind.h"
#include "serial.h"

char szImportFile[APP_PATH_SIZE] = "";
ConfigImportOptions tImportOptions;

namespace {

constexpr unsigned IMPORT_STEPS = 28;
// Bytes read from the file at once; lines are cut by the reader.
constexpr size_t IMPORT_READ_SIZE = 4096;

int Finish(int ok)
{
    DlgPrgSetProgress(100);
    DlgPrgClose();
    return ok;
}

}  // namespace

int ConfigFileReadStream(FILE* pFile, const char* szPath, ConfigFileHandler& tHandler, bool bIgnoreErrors)
{
    ConfigFileReader reader(tHandler, bIgnoreErrors);
    char buffer[IMPORT_READ_SIZE];
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, pFile);
        if (n > 0 && !reader.Feed(buffer, n))
            return 0;
        if (n < sizeof buffer)
            break;
    }
    // A read that failed is no end of the file: the rest was never seen.
    if (std::ferror(pFile))
        return Error("Could not read file '%s' !", szPath);
    return reader.Finish();
}

int ConfigCheckImportSource(const std::string& sPath)
{
    int err = 0;
    if (const char* kind = PathSpecialKind(sPath.c_str(), &err, true))
        return Error("Could not open file '%s' for reading : it is a %s, not a regular file !", sPath.c_str(), kind);
    return 1;
}

int ImportDialogAccept(const std::string& sPath, const ConfigImportOptions& tOptions)
{
    if (sPath.empty())
        return Error("Please enter export filename !");
    if (!FileExists(sPath.c_str()))
        return Error("Filename  '%s' not found !", sPath.c_str());
    if (!ConfigCheckImportSource(sPath) || !ConfigStorePath(sPath, szImportFile))
        return 0;
    tImportOptions = tOptions;
    if (tOptions.bImportFactory && bAdmin.load() != 1) {
        DlgFactoryAskUnlock();
        DlgFactoryStatus();
        if (bAdmin.load() != 1)
            return 0;
    }
    return ImportSensorConfig();
}

int ImportSensorConfig()
{
    return ConfigStart(CONFIG_OP_IMPORT, [] { return ImportSensorConfigFn(); });
}

int ImportSensorConfigFn()
{
    const std::string path = szImportFile;
    const ConfigImportOptions options = tImportOptions;
    TaskProgressSum sum(IMPORT_STEPS);
    DlgPrgOpen(szImportTitle);
    DlgPrgSetStatus(STATUS_OPENING_FILES);
    DlgPrgSetProgress(sum.Advance());
    // Looked at again when opened: a pipe or a device put under the name
    // since the dialog would hang the import or be read without end.
    const char* kind = nullptr;
    FILE* file = FileOpenRegular(path.c_str(), "rb", &kind);
    if (file == nullptr) {
        if (kind != nullptr)
            Error("Could not open file '%s' for reading : it is a %s, not a regular file !", path.c_str(), kind);
        else
            Error("Could not open file '%s' for reading !", path.c_str());
        return Finish(0);
    }

    DlgPrgSetStatus(STATUS_IMPORTING_PARAMETERS);
    ConfigPagesImport pages(options, [&sum] { DlgPrgSetProgress(sum.Advance()); });
    const int read = ConfigFileReadStream(file, path.c_str(), pages, options.bImportIgnoreErr);
    std::fclose(file);
    if (!read)
        return Finish(0);
    // A file that put nothing on the pages (empty, comments only, lines
    // ending in a carriage return alone) is no configuration: saying it was
    // imported, and sending the pages as they were, would be a false success.
    if (pages.Applied() == 0) {
        Error("No parameter was imported from file '%s' !", path.c_str());
        return Finish(0);
    }

    DlgAveragingUpdate();
    // The console may have fallen asleep since the last operation: the
    // wake-up gets the time-out of every other exchange that wakes it.
    SerialSetTimeout(tConfigTimeouts.uIdentifyMs);
    bool reload = false;
    DlgMainUpdateInfo(1, &reload);
    Info("Configuration successfully imported !");
    Finish(1);
    // Queued: the send (or the fresh load after the debug mode was switched
    // off) opens its progress window after this one has closed. A sensor
    // found in scope mode has been disconnected meanwhile, and there is
    // nothing left to send to. No fresh load before a send: it would
    // replace the pages' values before they go out, and the send's own
    // follow-up load reads the sensor back.
    if (options.bImportApply && hSerial.load() != SERIAL_INVALID_HANDLE)
        SendSensorConfig();
    else if (reload && !options.bImportApply)
        LoadSensorConfig(1);
    return 1;
}
