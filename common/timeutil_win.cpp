// Windows part of the local time helper.
#include "timeutil.h"

bool LocalTimeOf(long long tmValue, std::tm* pLocal)
{
    const __time64_t t = static_cast<__time64_t>(tmValue);
    *pLocal = std::tm{};
    if (_localtime64_s(pLocal, &t) == 0)
        return true;
    *pLocal = std::tm{};
    return false;
}
