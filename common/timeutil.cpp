// Portable part of the local time helper.
#include "timeutil.h"

std::string LocalTimeText(long long tmValue, const char* szFormat)
{
    std::tm local{};
    LocalTimeOf(tmValue, &local);
    char text[64];
    if (std::strftime(text, sizeof text, szFormat, &local) == 0)
        text[0] = '\0';
    return text;
}
