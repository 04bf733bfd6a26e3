// Median and spread of a benchmark's runs, and the CPU time of the calling
// thread, for the benchmark programs.
#pragma once

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

struct BenchSpread {
    double median = 0;
    double low = 0;
    double high = 0;
};

inline BenchSpread Spread(std::vector<double> v)
{
    BenchSpread s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    s.median = n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.low = v.front();
    s.high = v.back();
    return s;
}

// "median [low .. high]" with the given printf format for each number.
inline std::string FormatSpread(const BenchSpread& s, const char* szNumber)
{
    char format[64];
    std::snprintf(format, sizeof format, "%s [%s .. %s]", szNumber, szNumber, szNumber);
    char text[128];
    std::snprintf(text, sizeof text, format, s.median, s.low, s.high);
    return text;
}

inline double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
