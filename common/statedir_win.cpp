// Windows part of the user's folders: the local application data folder
// for state (logs, the update marker) and the roaming one for settings.
#include <windows.h>

#include <cstdlib>

#include "statedir.h"

bool AppDirWritable(const std::string& sDir)
{
    const DWORD attributes = GetFileAttributesA(sDir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    // The access list decides, not the read-only attribute (which folders
    // ignore): try to create a file that goes when it is closed.
    const std::string probe = sDir + "\\.varn-write-probe";
    const HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

std::string AppUserBaseDir(AppFileKind nKind)
{
    const char* base = std::getenv(nKind == APP_FILE_CONFIG ? "APPDATA" : "LOCALAPPDATA");
    if (base == nullptr || base[0] == '\0')
        return std::string();
    return base;
}

bool AppMakeUserDir(const std::string& sDir)
{
    for (size_t at = 1; at <= sDir.size(); at++) {
        if (at < sDir.size() && sDir[at] != '\\' && sDir[at] != '/')
            continue;
        const std::string part = sDir.substr(0, at);
        // "C:" and "C:\" are drives, not folders to create.
        if (part.size() <= 3 && part.find(':') != std::string::npos)
            continue;
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    const DWORD attributes = GetFileAttributesA(sDir.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
