#include "textutil.h"

#include <cstdio>
#include <cstring>

char* TrimRight(char* szText)
{
    for (size_t i = std::strlen(szText); i > 0; i--) {
        if (szText[i - 1] == ' ')
            szText[i - 1] = '\0';
    }
    return szText;
}

int IsBlank(const char* szText)
{
    for (; *szText != '\0'; szText++) {
        if (*szText != ' ')
            return 0;
    }
    return 1;
}

int HumanDuration(unsigned uSeconds, char* szBuffer, size_t uSize)
{
    constexpr unsigned MINUTE = 60, HOUR = 3600, DAY = 86400, YEAR = 31536000;
    struct Step {
        unsigned uLimit;        // this step applies below uLimit (last step: always)
        unsigned uMajor;        // seconds per major unit
        const char* szMajor;
        unsigned uMinor;        // seconds per minor unit, 0: no minor part
        const char* szMinor;
    };
    static const Step tSteps[] = {
        {MINUTE, 1, "sec", 0, ""},
        {HOUR, MINUTE, "min", 1, "sec"},
        {DAY, HOUR, "hour", MINUTE, "min"},
        {YEAR, DAY, "day", HOUR, "hour"},
        {0, YEAR, "year", DAY, "day"},
    };
    const Step* s = &tSteps[0];
    while (s->uLimit != 0 && uSeconds >= s->uLimit)
        s++;
    unsigned major = uSeconds / s->uMajor;
    unsigned minor = s->uMinor != 0 ? (uSeconds % s->uMajor) / s->uMinor : 0;
    const char* plural = major >= 2 ? "s" : "";
    if (minor <= 1)
        return std::snprintf(szBuffer, uSize, "%u %s%s", major, s->szMajor, plural);
    return std::snprintf(szBuffer, uSize, "%u %s%s %u %ss", major, s->szMajor, plural, minor, s->szMinor);
}

bool SplitSettingLine(std::string_view line, std::string* pKey, std::string* pValue)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty() || line[0] == ';')
        return false;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    pKey->assign(line.substr(0, eq));
    pValue->assign(line.substr(eq + 1));
    return true;
}
