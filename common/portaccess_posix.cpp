// Access to a device node is granted by its group (usually "dialout" for
// serial ports): membership takes effect at the next login, since a
// running session keeps the groups it started with.
#include <grp.h>
#include <sys/stat.h>
#include <vector>

#include "portaccess.h"

namespace {

// The name of group nGid, or its number when the system has no name for it.
std::string GroupName(gid_t nGid)
{
    std::vector<char> buffer(4096);
    group g{};
    group* found = nullptr;
    if (getgrgid_r(nGid, &g, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->gr_name != nullptr)
        return found->gr_name;
    return std::to_string(static_cast<unsigned>(nGid));
}

}  // namespace

std::string SerialPortAccessAdvice(const std::string& sPath)
{
    struct stat st{};
    // The group helps only when it may read and write and is not root's.
    if (stat(sPath.c_str(), &st) == 0 && st.st_gid != 0 && (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
        return "add yourself to the '" + GroupName(st.st_gid) + "' group and log in again";
    return "ask the administrator for access to '" + sPath + "'";
}
