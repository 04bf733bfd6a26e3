// The user's folders after the XDG base directory rules.
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "statedir.h"

namespace {

std::string HomeDir()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    std::vector<char> buffer(4096);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return std::string();
}

}  // namespace

bool AppDirWritable(const std::string& sDir)
{
    struct stat st{};
    return stat(sDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(sDir.c_str(), W_OK | X_OK) == 0;
}

std::string AppUserBaseDir(AppFileKind nKind)
{
    const char* xdg = std::getenv(nKind == APP_FILE_CONFIG ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const std::string home = HomeDir();
    if (home.empty())
        return std::string();
    return home + (nKind == APP_FILE_CONFIG ? "/.config" : "/.local/state");
}

bool AppMakeUserDir(const std::string& sDir)
{
    for (size_t at = 1; at <= sDir.size(); at++) {
        if (at < sDir.size() && sDir[at] != '/')
            continue;
        const std::string part = sDir.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st{};
    return stat(sDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
