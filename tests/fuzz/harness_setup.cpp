#include "harness_setup.h"

#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

#include "appframe.h"
#include "log.h"

namespace {

void ShowNothing(MessageKind, const char*) {}

std::string sScratch;

// The scratch folder holds files only; it goes when the process ends.
void RemoveScratch()
{
    if (DIR* d = opendir(sScratch.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                unlink((sScratch + "/" + e->d_name).c_str());
        closedir(d);
    }
    rmdir(sScratch.c_str());
}

}  // namespace

const std::string& FuzzScratchDir()
{
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/varn-fuzz-XXXXXX";
        if (mkdtemp(tmpl.data()) == nullptr)
            return std::string("/tmp");
        sScratch = tmpl;
        std::atexit(RemoveScratch);
        return tmpl;
    }();
    return dir;
}

void FuzzUseProgram(Program nWhich)
{
    AppStartupFrameIn(nWhich, FuzzScratchDir().c_str());
    SetMessageHandler(ShowNothing);
}
