// varn's command line: any words (the input cut at zero bytes) are either
// help, a usage error with status 2, or one registered command with an
// argument count it takes; no command is run. The check of console texts
// agrees with the console's own rule.
#include <cstring>
#include <string>
#include <vector>

#include "appframe.h"
#include "fuzz_input.h"
#include "sensor.h"
#include "varn_args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    static FILE* pNull = std::fopen("/dev/null", "w");
    std::vector<std::string> words;
    const char* p = reinterpret_cast<const char*>(pData);
    const char* end = p + uSize;
    while (p < end && words.size() < 64) {
        const char* zero = static_cast<const char*>(std::memchr(p, '\0', static_cast<size_t>(end - p)));
        const char* stop = zero != nullptr ? zero : end;
        words.emplace_back(p, stop);
        p = stop + 1;
    }
    const VarnInvocation inv = VarnParseArgs(words, pNull, pNull);
    if (inv.pCommand == nullptr) {
        FuzzCheck(inv.nExit == EXIT_OK || inv.nExit == EXIT_USAGE);
    } else {
        FuzzCheck(inv.nExit == -1);
        const int n = static_cast<int>(inv.vArgs.size());
        FuzzCheck(n >= inv.pCommand->nMinArgs && (inv.pCommand->nMaxArgs < 0 || n <= inv.pCommand->nMaxArgs));
        for (const std::string& a : inv.vArgs) {
            FuzzCheck(a.size() < static_cast<size_t>(APP_PATH_SIZE) && a != "--full-wakeup");
            const bool fits = SensorTextFitsCommand(a.data(), a.size()) == 1;
            FuzzCheck((VarnCheckCommandText("get", "KEY", a, pNull) == EXIT_OK) == fits);
        }
    }
    return 0;
}
