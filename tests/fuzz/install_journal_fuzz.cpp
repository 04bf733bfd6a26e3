// The install journal on any bytes: only a record that starts with the
// script's hash gives lines, never more than it holds, and the lines it
// gives, written again, read back the same.
#include <cstdio>

#include "fuzz_input.h"
#include "install_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 2);
    const std::string script = in.Segment(1);
    ScriptHash hash;
    hash.Add(script.data(), script.size());
    // Half the runs read the record for its own script's hash.
    std::string record = in.Segment(0);
    if (in.Flag(0)) {
        char head[32];
        std::snprintf(head, sizeof head, "%016llx\n", static_cast<unsigned long long>(hash.Value()));
        record = head + record;
    }
    const std::set<unsigned> lines = JournalParse(record.data(), record.size(), hash.Value());
    if (lines.empty())
        return 0;
    char head[32];
    std::snprintf(head, sizeof head, "%016llx\n", static_cast<unsigned long long>(hash.Value()));
    FuzzCheck(record.compare(0, 17, head) == 0);
    FuzzCheck(lines.size() <= (record.size() - 17) / 2);
    // What the writer makes of these lines reads back as the same lines.
    std::string again = head;
    for (unsigned line : lines) {
        FuzzCheck(line > 0);
        again += std::to_string(line) + "\n";
    }
    FuzzCheck(JournalParse(again.data(), again.size(), hash.Value()) == lines);
    return 0;
}
