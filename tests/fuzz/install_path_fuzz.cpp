// The installer's path check, the boundary between the script's paths and
// the machine: on any written path, an accepted one lies inside its folder
// (no "..", not absolute, links on disk resolved) and fits the path limit.
#include <sys/stat.h>
#include <unistd.h>

#include "fuzz_input.h"
#include "harness_setup.h"
#include "install_files.h"

namespace {

// The scratch folder with a subfolder and a link that points out of it, so
// that the check's look at the disk is exercised too.
const std::string& InstallRoot()
{
    static const std::string root = [] {
        const std::string dir = FuzzScratchDir() + "/app";
        mkdir(dir.c_str(), 0700);
        mkdir((dir + "/sub").c_str(), 0700);
        (void)symlink("/", (dir + "/out").c_str());
        (void)symlink("sub", (dir + "/in").c_str());
        return dir;
    }();
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 1);
    const std::string written = in.Segment(0);
    const std::string& root = InstallRoot();
    std::string joined;
    const InstallPathFault fault = InstallCheckPath(root.c_str(), written, &joined);
    if (fault != INSTALL_PATH_OK)
        return 0;
    const std::string path = InstallScriptPath(written);
    FuzzCheck(joined.size() <= INSTALL_PATH_MAX);
    FuzzCheck(joined.compare(0, root.size() + 1, root + "/") == 0);
    // An empty path names the folder itself (no file operation takes it).
    FuzzCheck(path.empty() || path[0] != '/');
    FuzzCheck(("/" + path + "/").find("/../") == std::string::npos);
    FuzzCheck(joined.find('\0') == std::string::npos);
    // Through "out", the link to the root, nothing may pass.
    FuzzCheck(path != "out" && path.rfind("out/", 0) != 0);
    return 0;
}
