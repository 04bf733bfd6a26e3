#include "terminal_output.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "timeutil.h"

size_t TerminalOutput::Append(const char* pBytes, size_t uSize, int64_t nStampMs, bool bSpread)
{
    if (sBytes.capacity() < BYTES_MAX)
        sBytes.reserve(BYTES_MAX + 4096);   // grows once, not by doubling past the bound
    for (size_t i = 0; i < uSize; i++) {
        const char c = pBytes[i];
        if (c == '\0')
            continue;
        const uint64_t pos = End();
        sBytes += c;
        if (vLines.empty())
            vLines.push_back({pos, STAMP_NONE});
        Line& line = vLines.back();
        const bool afterCr = bAfterCr;
        bAfterCr = c == '\r';
        if (c == '\n' && afterCr) {
            line.uStart = pos + 1;   // the second half of a CR LF
            continue;
        }
        if (line.nStampMs == STAMP_NONE) {
            // Never before the line above: the estimate may overshoot.
            const int64_t at = bSpread ? TerminalByteStampMs(nStampMs, uSize - 1 - i) : nStampMs;
            line.nStampMs = std::max(at, nLastStampMs);
            nLastStampMs = line.nStampMs;
        }
        if (c == '\r' || c == '\n') {
            vLines.push_back({pos + 1, STAMP_NONE});
            continue;
        }
        if (pos - line.uStart >= ROW_MAX) {
            vLines.push_back({pos, STAMP_CONTINUED});
            continue;
        }
        uWidest = std::max(uWidest, static_cast<size_t>(pos + 1 - line.uStart));
    }
    return sBytes.size() > BYTES_MAX || vLines.size() > LINES_MAX ? Trim() : 0;
}

size_t TerminalOutput::Trim()
{
    // Cut just after a line feed, so that what stays starts a line; output
    // without one is cut where the kept part begins.
    size_t cut = sBytes.size() > BYTES_KEEP ? sBytes.size() - BYTES_KEEP : 0;
    const size_t lf = sBytes.find('\n', cut);
    if (cut > 0 && lf != std::string::npos)
        cut = lf + 1;
    uint64_t cutAt = uBase + cut;
    if (vLines.size() > LINES_KEEP)
        cutAt = std::max(cutAt, vLines[vLines.size() - LINES_KEEP].uStart);
    cutAt = std::min(cutAt, End());

    size_t dropped = 0;
    int64_t stamp = STAMP_CONTINUED;
    while (!vLines.empty() && vLines.front().uStart < cutAt) {
        stamp = vLines.front().nStampMs;
        vLines.pop_front();
        dropped++;
    }
    // Cut inside a line: its rest stays as a line of its own.
    if (dropped > 0 && (vLines.empty() || vLines.front().uStart != cutAt)) {
        vLines.push_front({cutAt, stamp});
        dropped--;
    }
    sBytes.erase(0, static_cast<size_t>(cutAt - uBase));
    uBase = cutAt;
    return dropped;
}

void TerminalOutput::Clear()
{
    uBase = 0;
    sBytes.clear();
    vLines.clear();
    bAfterCr = false;
    uWidest = 0;
}

std::string TerminalOutput::LineText(size_t i) const
{
    const uint64_t from = vLines[i].uStart;
    const uint64_t to = i + 1 < vLines.size() ? vLines[i + 1].uStart : End();
    std::string text;
    if (to <= from || from < uBase)
        return text;
    text.reserve(static_cast<size_t>(to - from));
    for (uint64_t at = from; at < to; at++) {
        const char c = sBytes[static_cast<size_t>(at - uBase)];
        if (c != '\r' && c != '\n')
            text += c;
    }
    return text;
}

int64_t TerminalNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string TerminalStampText(int64_t nMs)
{
    std::tm local{};
    LocalTimeOf(nMs / 1000, &local);
    char text[32];
    std::snprintf(text, sizeof text, "[%02d:%02d:%02d.%03d] ", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(nMs % 1000));
    return text;
}
