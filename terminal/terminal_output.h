// What the terminal has received and shown, bounded, with the index of its
// display lines: the bytes exactly as appended (what "Save as..." writes
// and the hex view shows), and for every line where it starts and when its
// first byte came (the time stamps). Views lay out only the lines they
// show from this index, so the memory stays proportional to the text.
//
// Line breaks are those a technician expects of a terminal: CR LF, a lone
// CR and a lone LF each end a line, also when the LF of a CR LF comes in a
// later piece. A line longer than ROW_MAX bytes goes on over several rows.
// Zero bytes are left out.
//
// Single-threaded: the window thread owns it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

class TerminalOutput {
public:
    // Past BYTES_MAX bytes (or LINES_MAX lines) the oldest lines go, down
    // to BYTES_KEEP bytes (and LINES_KEEP lines), so that a sensor left
    // streaming for days neither fills the memory nor slows the window.
    static constexpr size_t BYTES_MAX = 4u << 20;
    static constexpr size_t BYTES_KEEP = 3u << 20;
    static constexpr size_t LINES_MAX = 256u << 10;
    static constexpr size_t LINES_KEEP = 192u << 10;
    static constexpr size_t ROW_MAX = 1024;

    // A display line. nStampMs: when its first byte came (ms since the
    // epoch), STAMP_NONE while it has none yet, STAMP_CONTINUED for the
    // rows that go on a line longer than ROW_MAX.
    static constexpr int64_t STAMP_NONE = 0;
    static constexpr int64_t STAMP_CONTINUED = -1;
    struct Line {
        uint64_t uStart;   // offset of its first byte since the last Clear
        int64_t nStampMs;
    };

    // Appends bytes whose last came at nStampMs. With bSpread the bytes came
    // one after the other at the line rate (a block of the receive loop),
    // so each line gets the time its first byte came, not the block's.
    // Returns the number of lines dropped at the front by the bound (0 mostly).
    size_t Append(const char* pBytes, size_t uSize, int64_t nStampMs, bool bSpread = false);
    void Clear();

    const std::string& Bytes() const { return sBytes; }
    // Offset of Bytes()[0] and of the byte after the last since the last Clear.
    uint64_t Base() const { return uBase; }
    uint64_t End() const { return uBase + sBytes.size(); }

    size_t LineCount() const { return vLines.size(); }
    const Line& LineAt(size_t i) const { return vLines[i]; }
    // Line i's bytes without its line end (CR and LF left out).
    std::string LineText(size_t i) const;
    // Bytes in the longest line since the last Clear (at most ROW_MAX).
    size_t Widest() const { return uWidest; }

private:
    size_t Trim();

    std::string sBytes;
    uint64_t uBase = 0;
    std::deque<Line> vLines;
    bool bAfterCr = false;   // the last byte was a CR: an LF now ends nothing
    size_t uWidest = 0;
    int64_t nLastStampMs = 0;   // the newest line's stamp
};

// Milliseconds since the epoch, the stamps' clock.
int64_t TerminalNowMs();

// When the byte uBefore bytes ahead of the last of a block (which came at
// nLastMs) came, at the line rate (115200 baud, 8N1: 11520 bytes a second).
inline int64_t TerminalByteStampMs(int64_t nLastMs, size_t uBefore)
{
    return nLastMs - static_cast<int64_t>(uBefore * 1000 / 11520);
}

// "[hh:mm:ss.zzz] " (TerminalView::STAMP_WIDTH characters) in local time.
std::string TerminalStampText(int64_t nMs);
