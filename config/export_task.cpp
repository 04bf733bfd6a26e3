// Configuration export: the pages' current values into a configuration
// file, behind the progress window.
#include <cstdio>
#include <cstring>
#include <string>

#include "config_file.h"
#include "config_file_output.h"
#include "config_task.h"
#include "fileutil.h"
#include "file_task.h"
#include "log.h"
#include "operations.h"
#include "progress.h"
#include "sensor.h"
#include "sensor_kind.h"
#include "textutil.h"

char szExportFile[APP_PATH_SIZE] = "";

namespace {

constexpr unsigned EXPORT_STEPS_LOCKED = 28;
constexpr unsigned EXPORT_STEPS_UNLOCKED = 36;

int Finish(int ok)
{
    DlgPrgSetProgress(100);
    DlgPrgClose();
    return ok;
}

}  // namespace

// A path is stored whole or not at all.
int ConfigStorePath(const std::string& sPath, char* szBuffer)
{
    if (sPath.size() >= APP_PATH_SIZE)
        return Error("The path is too long (%d characters, at most %d) !", static_cast<int>(sPath.size()),
                     APP_PATH_SIZE - 1);
    std::snprintf(szBuffer, APP_PATH_SIZE, "%s", sPath.c_str());
    return 1;
}

std::string ExportProposedName()
{
    char name[APP_PATH_SIZE];
    std::snprintf(name, sizeof name, "%s", PageText(CTL_SENS_SN).c_str());
    const std::string base = TrimRight(name);
    if (base.empty())
        return {};
    return base + szConfigFileExt;
}

int ConfigCheckExportTarget(const std::string& sPath)
{
    int err = 0;
    if (const char* kind = PathSpecialKind(sPath.c_str(), &err, true))
        return Error("Could not open file '%s' for writing : it is a %s, not a regular file !", sPath.c_str(), kind);
    if (err != 0)
        return Error("Could not open file '%s' for writing !\n%s", sPath.c_str(), std::strerror(err));
    return 1;
}

int ExportSensorConfig(const std::string& sPath)
{
    if (!ConfigStorePath(sPath, szExportFile) || !ConfigCheckExportTarget(sPath))
        return 0;
    return ConfigStart(CONFIG_OP_EXPORT, [] { return ExportSensorConfigFn(); });
}

int ExportSensorConfigFn()
{
    // The factory lines count as steps only while they would be sent.
    const bool unlocked = bAdmin.load() == 1;
    TaskProgressSum sum(unlocked ? EXPORT_STEPS_UNLOCKED : EXPORT_STEPS_LOCKED);
    const std::string path = szExportFile;
    DlgPrgOpen(szExportTitle);
    DlgPrgSetStatus(STATUS_OPENING_FILES);
    ConfigFileOutput out;
    if (!out.Open(path)) {
        Error("Could not open file '%s' for writing !", path.c_str());
        return Finish(0);
    }
    // A signature that holds "]" or a line end would not read back.
    const std::string signature = PageText(CTL_MAIN_VISA);
    if (signature.find_first_of("]\r\n") != std::string::npos) {
        out.Discard();
        Error("Could not write file '%s' !\nThe sensor signature '%s' holds ']' or a line end !", path.c_str(),
              SensorShortValue(signature.c_str()).c_str());
        return Finish(0);
    }
    out.Write(ConfigFileHeader(signature) + szConfigFileEol);

    DlgPrgSetStatus(STATUS_EXPORTING_PARAMETERS);
    bool first = true;
    for (const SensorParam* p : ConfigFileRows(nSensorType.load())) {
        if (!first && (p->nPage != PAGE_FACTORY || unlocked))
            DlgPrgSetProgress(sum.Advance());
        first = false;
        const std::string line = ConfigFileLine(*p);
        if (line.find_first_of("\r\n") != std::string::npos) {
            // It would read back as two lines, the second one a line of its own.
            out.Discard();
            Error("Could not write file '%s' !\nLine end in the value of '%s' !", path.c_str(), p->szKey);
            return Finish(0);
        }
        out.Write(line + szConfigFileEol);
    }
    if (!out.Commit()) {
        Error("Could not write file '%s' !", path.c_str());
        return Finish(0);
    }
    Info("Configuration successfully exported !");
    return Finish(1);
}
