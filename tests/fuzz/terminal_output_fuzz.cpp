// The terminal's readers of outside bytes: what the line brings, appended
// in pieces to the bounded output with its line index, and the settings
// file. Lines start inside the kept bytes and in order, no row is longer
// than ROW_MAX, the bounds hold, a line's text has no line end, and the
// settings keep values they can hold.
#include <algorithm>

#include "fuzz_input.h"
#include "terminal_output.h"
#include "terminal_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 3);
    const std::string stream = in.Segment(0), cuts = in.Segment(1);
    TerminalOutput out;
    size_t at = 0, k = 0;
    while (at < stream.size()) {
        // Piece sizes from the second segment; copies of exactly that size,
        // so a read past the end is seen.
        size_t n = cuts.empty() ? stream.size() : 1 + static_cast<unsigned char>(cuts[k++ % cuts.size()]);
        n = std::min(n, stream.size() - at);
        const std::vector<char> piece(stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at + n));
        out.Append(piece.data(), piece.size(), 1000000, in.Flag(0));
        at += n;
    }
    FuzzCheck(out.Bytes().size() <= TerminalOutput::BYTES_MAX);
    FuzzCheck(out.LineCount() <= TerminalOutput::LINES_MAX);
    FuzzCheck(out.Bytes().find('\0') == std::string::npos);
    uint64_t previous = out.Base();
    for (size_t i = 0; i < out.LineCount(); i++) {
        const TerminalOutput::Line& line = out.LineAt(i);
        FuzzCheck(line.uStart >= previous && line.uStart <= out.End());
        previous = line.uStart;
        const std::string text = out.LineText(i);
        FuzzCheck(text.size() <= TerminalOutput::ROW_MAX);
        FuzzCheck(text.find_first_of("\r\n") == std::string::npos);
    }

    TerminalSettings settings;
    const std::string file = in.Segment(2);
    TerminalParseSettings(settings, file.data(), file.size());
    FuzzCheck(settings.nLineEnd >= LINE_END_CR && settings.nLineEnd < LINE_END_COUNT);
    FuzzCheck(settings.sLiveLogFile.size() <= TERMINAL_LOG_PATH_MAX);
    FuzzCheck(settings.sLiveLogFile.find('\0') == std::string::npos);
    return 0;
}
