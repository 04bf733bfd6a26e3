// The reader of the desktop's user folders file on any bytes: the folder it
// finds is absolute, holds no zero byte, fits the settings, and comes from
// a documents line of the text.
#include "fuzz_input.h"
#include "appframe.h"
#include "scope_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 2);
    const std::string text = in.Segment(0);
    const std::string home = "/home/" + in.Segment(1).substr(0, 64);
    const std::string dir = ScopeParseUserDirs(text.data(), text.size(), home);
    if (dir.empty())
        return 0;
    FuzzCheck(dir[0] == '/');
    FuzzCheck(dir.find('\0') == std::string::npos);
    FuzzCheck(dir.size() < static_cast<size_t>(APP_PATH_SIZE));
    FuzzCheck(text.find("XDG_DOCUMENTS_DIR=\"") != std::string::npos);

    return 0;
}
