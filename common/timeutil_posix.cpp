// POSIX part of the local time helper.
#include "timeutil.h"

bool LocalTimeOf(long long tmValue, std::tm* pLocal)
{
    const time_t t = static_cast<time_t>(tmValue);
    *pLocal = std::tm{};
    return localtime_r(&t, pLocal) != nullptr;
}
