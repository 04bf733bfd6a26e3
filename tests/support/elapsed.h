// Time measured by tests and benchmarks: one monotonic clock, one unit.
#pragma once

#include <chrono>

// Milliseconds since t on the steady clock.
inline double MsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}
