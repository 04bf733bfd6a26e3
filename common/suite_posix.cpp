// POSIX part of the suite integration.
#include <ctime>

#include "fileutil.h"
#include "process.h"
#include "suite.h"

std::string SuiteProgramFile(const char* szName)
{
    return szName;   // programs carry no extension here
}

bool SuiteDesktopOpenDefault(const std::string& sTarget)
{
    static const char* const tOpeners[] = {"/usr/bin/xdg-open", "/usr/local/bin/xdg-open"};
    for (const char* opener : tOpeners) {
        if (FileExists(opener))
            return ProcessStartDetached(opener, {sTarget}, std::string(), nullptr);
    }
    return false;
}

std::string SuiteLocalDate()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}
