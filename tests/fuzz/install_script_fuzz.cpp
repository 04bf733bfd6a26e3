// The install script reader on any bytes: reading the file at once or in
// arbitrary slices gives the same entries, line numbers only grow, and an
// error is the last entry.
#include "fuzz_input.h"
#include "script_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 2);
    const std::string script = in.Segment(0);
    const std::vector<ScriptEntry> whole = ScriptReadAll(script.data(), script.size());

    // The same bytes in slices whose sizes come from the second segment.
    std::vector<ScriptEntry> sliced;
    ScriptReader reader([&sliced](const ScriptEntry& e) {
        sliced.push_back(e);
        return true;
    });
    const std::string sizes = in.Segment(1);
    size_t at = 0, k = 0;
    while (at < script.size() && !reader.Stopped()) {
        const size_t n = sizes.empty() ? 1 : 1 + static_cast<uint8_t>(sizes[k++ % sizes.size()]);
        const size_t take = n < script.size() - at ? n : script.size() - at;
        reader.Feed(script.data() + at, take);
        at += take;
    }
    if (!reader.Stopped())
        reader.Finish();

    FuzzCheck(whole.size() == sliced.size());
    unsigned last = 0;
    for (size_t i = 0; i < whole.size(); i++) {
        FuzzCheck(whole[i].nKind == sliced[i].nKind && whole[i].uLine == sliced[i].uLine &&
                  whole[i].sName == sliced[i].sName && whole[i].sArg == sliced[i].sArg &&
                  whole[i].sSource == sliced[i].sSource && whole[i].sDest == sliced[i].sDest);
        FuzzCheck(whole[i].uLine > last);
        last = whole[i].uLine;
        FuzzCheck(whole[i].sName.size() < SCRIPT_LINE_SIZE && whole[i].sArg.size() < SCRIPT_LINE_SIZE);
        if (ScriptEntryIsError(whole[i]))
            FuzzCheck(i + 1 == whole.size());
    }
    return 0;
}
