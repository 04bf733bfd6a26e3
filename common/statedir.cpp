#include "statedir.h"

#include "appframe.h"

std::string AppFileDirFor(const std::string& sAppDir, AppFileKind nKind)
{
    // "" is the root folder (its one separator is cut from szAppDir).
    if (AppDirWritable(sAppDir.empty() ? std::string(1, APP_SEPARATOR) : sAppDir))
        return sAppDir;
    const std::string base = AppUserBaseDir(nKind);
    if (base.empty())
        return sAppDir;
    const std::string dir = base + APP_SEPARATOR + "varn";
    return AppMakeUserDir(dir) ? dir : sAppDir;
}

std::string AppFileDir(AppFileKind nKind)
{
    return AppFileDirFor(szAppDir, nKind);
}
