// Windows part of the suite integration.
#include <ctime>
#include <windows.h>
#include <shellapi.h>

#include "suite.h"
#include "timeutil.h"

std::string SuiteProgramFile(const char* szName)
{
    return std::string(szName) + ".exe";
}

bool SuiteDesktopOpenDefault(const std::string& sTarget)
{
    // The shell's "open" verb: the application registered for the document,
    // the file browser for a folder, the browser for a link. Values above 32
    // mean it was handed over.
    const HINSTANCE result = ShellExecuteA(nullptr, "open", sTarget.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string SuiteLocalDate()
{
    return LocalTimeText(static_cast<long long>(std::time(nullptr)), "%Y%m%d");
}
