// How a harness reads its input: the first byte holds option bits, the rest
// is cut into segments at each SEPARATOR (two bytes that text from the
// sensor or a file seldom holds). Harness-side checks end the run with
// FuzzCheck, which aborts so that libFuzzer and the replay both see a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

constexpr char FUZZ_SEPARATOR[] = "\xFE\xFF";

struct FuzzInput {
    uint8_t uFlags = 0;
    std::vector<std::string> vSegments;

    FuzzInput(const uint8_t* pData, size_t uSize, size_t uMaxSegments = 64)
    {
        if (uSize == 0)
            return;
        uFlags = pData[0];
        const std::string rest(reinterpret_cast<const char*>(pData + 1), uSize - 1);
        size_t from = 0;
        while (vSegments.size() + 1 < uMaxSegments) {
            const size_t at = rest.find(FUZZ_SEPARATOR, from);
            if (at == std::string::npos)
                break;
            vSegments.push_back(rest.substr(from, at - from));
            from = at + 2;
        }
        vSegments.push_back(rest.substr(from));
    }

    bool Flag(unsigned uBit) const { return (uFlags >> uBit) & 1u; }
    // Segment i, or empty past the end.
    std::string Segment(size_t i) const { return i < vSegments.size() ? vSegments[i] : std::string(); }
};

#define FuzzCheck(condition)                                                                   \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
