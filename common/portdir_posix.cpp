// POSIX part of the per-user runtime folders.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "portdir.h"

namespace {

// true when what lstat found at sDir is a folder of this user; otherwise
// *pError says why not.
bool IsOwnFolder(const std::string& sDir, const struct stat& st, std::string* pError)
{
    if (!S_ISDIR(st.st_mode)) {
        *pError = "'" + sDir + "' is not a folder";
        return false;
    }
    if (st.st_uid != getuid()) {
        *pError = "Folder '" + sDir + "' belongs to another user (uid " +
                  std::to_string(static_cast<unsigned>(st.st_uid)) + ")";
        return false;
    }
    return true;
}

std::string ModeText(const struct stat& st)
{
    char mode[8];
    std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
    return mode;
}

}  // namespace

std::string RuntimeDir(const char* szName)
{
    // A session's runtime folder is private to its user; a variable left
    // over from another session (after su, for one) may name a folder that
    // is gone, and then the fallback below is used by every program alike.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime != nullptr && runtime[0] != '\0' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return std::string(runtime) + "/" + szName;
    return std::string("/tmp/") + szName + "-" + std::to_string(static_cast<unsigned>(getuid()));
}

bool RuntimeDirPrepare(const std::string& sDir, RuntimeDirOpen nOpen, std::string* pError)
{
    const char* dir = sDir.c_str();
    if (mkdir(dir, 0700) != 0 && errno != EEXIST) {
        *pError = "Could not create folder '" + sDir + "' (" + std::strerror(errno) + ")";
        return false;
    }
    // lstat, not stat: a link planted in a shared folder must not lead us
    // into a folder of someone else's choosing.
    struct stat st {};
    if (lstat(dir, &st) != 0) {
        *pError = "Could not read folder '" + sDir + "' (" + std::strerror(errno) + ")";
        return false;
    }
    if (!IsOwnFolder(sDir, st, pError))
        return false;
    if ((st.st_mode & 077) == 0)
        return true;
    if (nOpen == RUNTIME_DIR_TIGHTEN) {
        if (chmod(dir, 0700) == 0)
            return true;
        *pError = "Could not make folder '" + sDir + "' private (" + std::strerror(errno) + ")";
        return false;
    }
    *pError = "Folder '" + sDir + "' is open to other users (mode " + ModeText(st) + ")";
    return false;
}

bool PortDirTrusted(const std::string& sDir, std::string* pError)
{
    pError->clear();
    struct stat st {};
    if (lstat(sDir.c_str(), &st) != 0) {
        if (errno != ENOENT)
            *pError = "Could not read folder '" + sDir + "' (" + std::strerror(errno) + ")";
        return false;
    }
    if (!IsOwnFolder(sDir, st, pError))
        return false;
    if ((st.st_mode & 0777) != 0700) {
        *pError = "Folder '" + sDir + "' is not private to its user (mode " + ModeText(st) + ")";
        return false;
    }
    return true;
}

bool PortLinkIsDevice(const std::string& sPath)
{
    struct stat st {};
    return stat(sPath.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}
