// Windows part of the per-user runtime folders: a folder in the user's own
// temporary folder, which the system keeps private to the user.
#include <windows.h>

#include "errno_win.h"
#include "portdir.h"

std::string RuntimeDir(const char* szName)
{
    char temp[MAX_PATH + 1] = "";
    const DWORD n = GetTempPathA(sizeof temp, temp);
    std::string dir = n > 0 && n < sizeof temp ? std::string(temp, n) : std::string(".\\");
    if (dir.back() != '\\')
        dir += '\\';
    return dir + szName;
}

bool RuntimeDirPrepare(const std::string& sDir, RuntimeDirOpen, std::string* pError)
{
    if (!CreateDirectoryA(sDir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        *pError = "Could not create folder '" + sDir + "' (" + WindowsErrorText(GetLastError()) + ")";
        return false;
    }
    const DWORD attributes = GetFileAttributesA(sDir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *pError = "Could not read folder '" + sDir + "' (" + WindowsErrorText(GetLastError()) + ")";
        return false;
    }
    // A link (a reparse point) is refused as on Linux: it may lead anywhere.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        *pError = "'" + sDir + "' is not a folder";
        return false;
    }
    // The user's temporary folder is private by its access list; a folder
    // made in it inherits that, so there is no mode to tighten.
    return true;
}
