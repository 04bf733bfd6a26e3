#include "suite.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "appframe.h"
#include "fileutil.h"
#include "log.h"
#include "process.h"
#include "statedir.h"

namespace {

std::mutex mHooks;
DesktopOpenHandler fnDesktopOpen;
std::function<std::string()> fnToday;

std::string InAppDir(const char* szName)
{
    return std::string(szAppDir) + APP_SEPARATOR + szName;
}

bool DesktopOpen(const std::string& sTarget)
{
    DesktopOpenHandler fn;
    {
        std::lock_guard<std::mutex> lock(mHooks);
        fn = fnDesktopOpen;
    }
    return fn ? fn(sTarget) : SuiteDesktopOpenDefault(sTarget);
}

std::string MarkerPath()
{
    return AppFileDir(APP_FILE_STATE) + APP_SEPARATOR + SUITE_UPDATE_MARKER;
}

}  // namespace

int OpenDoc(const char* szName)
{
    const std::string path = std::string(szAppDir) + APP_SEPARATOR + SUITE_DOCS_DIR + APP_SEPARATOR + szName;
    if (!FileExists(path.c_str()))
        return Error("File '%s' not found !", path.c_str());
    DesktopOpen(path);
    return 1;
}

int ExecTools(const char* szName, const char* szParams)
{
    const std::string path = InAppDir(SuiteProgramFile(szName).c_str());
    if (!FileExists(path.c_str()))
        return Error("File '%s' not found !", path.c_str());
    Log("Starting '%s' with '%s'...", path.c_str(), szParams);
    std::string reason;
    if (!ProcessStartDetached(path, ProcessSplitArgs(szParams), szAppDir, &reason))
        return Error("Could not start '%s' !\n(%s)", path.c_str(), reason.c_str());
    return 1;
}

int OpenDir(const char* szPath)
{
    if (!DirExists(szPath))
        return Error("Directory '%s' not found !", szPath);
    DesktopOpen(szPath);
    return 1;
}

int OpenUrl(const char* szUrl)
{
    return DesktopOpen(szUrl) ? 1 : 0;
}

std::string SuiteToday()
{
    {
        std::lock_guard<std::mutex> lock(mHooks);
        if (fnToday)
            return fnToday();
    }
    return SuiteLocalDate();
}

void SetSuiteTodayHandler(std::function<std::string()> fn)
{
    std::lock_guard<std::mutex> lock(mHooks);
    fnToday = std::move(fn);
}

void SetDesktopOpenHandler(DesktopOpenHandler fn)
{
    std::lock_guard<std::mutex> lock(mHooks);
    fnDesktopOpen = std::move(fn);
}

int StartupCheckUpdate()
{
    int enabled = 1, check = 1;
    const std::string today = SuiteToday();
    const std::string marker = MarkerPath();
    char line[APP_PATH_SIZE];
    if (FileExists(marker.c_str()) && FileRead(marker.c_str(), line, sizeof line) && std::strlen(line) == 10) {
        enabled = line[0] == '1' ? 1 : 0;
        check = enabled && today != line + 2 ? 1 : 0;
    }
    if (check) {
        const std::string updater = InAppDir(SuiteProgramFile(SUITE_UPDATE_PROGRAM).c_str());
        if (FileExists(updater.c_str())) {
            std::string reason;
            if (ProcessStartDetached(updater, {"silent"}, szAppDir, &reason)) {
                char text[32];
                std::snprintf(text, sizeof text, "%d|%s", enabled, today.c_str());
                FileWrite(marker.c_str(), text);
            } else {
                Log("Could not start '%s' (%s)", updater.c_str(), reason.c_str());
            }
        }
    }
    return enabled;
}

int SetStartupCheckUpdate(int bWasTicked)
{
    FileWrite(MarkerPath().c_str(), bWasTicked ? "0|19700101" : "1|19700101");
    return bWasTicked ? 0 : 1;
}
