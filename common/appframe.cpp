#include "appframe.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "log.h"

char szAppTitle[APP_PATH_SIZE];
char szAppDir[APP_PATH_SIZE];
char szLogFile[APP_PATH_SIZE];
char szProgExampleDir[APP_PATH_SIZE];

namespace {

// Paths are cut at the buffer size, as every fixed path buffer of the suite.
void CopyPath(char (&szDest)[APP_PATH_SIZE], const std::string& sFrom)
{
    std::snprintf(szDest, APP_PATH_SIZE, "%s", sFrom.c_str());
}

}  // namespace

void AppStartupFrameIn(Program nWhich, const char* szDir)
{
    nProgram = nWhich;
    const ProgramProfile& p = CurrentProfile();
    std::snprintf(szAppTitle, sizeof szAppTitle, "%s V%s (%s%d)", p.szInternalName, p.szVersion,
                  APP_PLATFORM, APP_BITS);

    std::snprintf(szAppDir, sizeof szAppDir, "%s", szDir);
    size_t len = std::strlen(szAppDir);
    if (len > 0 && szAppDir[len - 1] == APP_SEPARATOR)
        szAppDir[len - 1] = '\0';

    const std::string dir(szAppDir);
    CopyPath(szLogFile, dir + APP_SEPARATOR + p.szFileName + ".log");
    bLogEnabled = 0;
    CopyPath(szProgExampleDir, p.bExampleDir ? dir + APP_SEPARATOR + "Examples" : std::string());
}

void AppStartupFrame(Program nWhich)
{
    // A folder whose path does not fit is not cut into another folder's
    // path: the application folder stays empty, as when it cannot be read.
    std::error_code ec;
    std::string dir = std::filesystem::current_path(ec).string();
    if (ec || dir.size() >= static_cast<size_t>(APP_PATH_SIZE))
        dir.clear();
    AppStartupFrameIn(nWhich, dir.c_str());
}

std::string AppSettingsFile(const char* szName, const char* szDir)
{
    return std::string(szDir) + APP_SEPARATOR + szName + ".ini";
}
