// Windows part of the installer's file operations. Programs carry the
// "exe" extension here, so no permission bit marks one.
#include <windows.h>

#include "errno_win.h"
#include "install_files.h"

namespace {

bool WriteAll(HANDLE h, const char* p, size_t n)
{
    while (n > 0) {
        DWORD w = 0;
        const DWORD chunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
        if (!WriteFile(h, p, chunk, &w, nullptr) || w == 0)
            return false;
        p += w;
        n -= w;
    }
    return true;
}

// Flushes a closed file's content to the disk (a rename alone does not).
bool FlushFile(const std::string& sPath)
{
    const HANDLE h = CreateFileA(sPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = FlushFileBuffers(h) != 0;
    CloseHandle(h);
    return ok;
}

}  // namespace

bool InstallEntryExists(const std::string& sPath)
{
    // The attributes of a link are its own: one that points nowhere exists.
    return GetFileAttributesA(sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool InstallResolve(const std::string& sPath, std::string* pReal)
{
    const HANDLE h = CreateFileA(sPath.empty() ? "\\" : sPath.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    char real[MAX_PATH * 4];
    const DWORD n = GetFinalPathNameByHandleA(h, real, sizeof real, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(h);
    if (n == 0 || n >= sizeof real)
        return false;
    std::string path(real, n);
    if (path.rfind("\\\\?\\", 0) == 0)
        path.erase(0, 4);
    // The portable part compares with "/" as the separator.
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    *pReal = path;
    return true;
}

void InstallKeepExecBits(const std::string&, const std::string&)
{
}

int InstallCopyFile(const std::string& sFrom, const std::string& sTo)
{
    const DWORD attributes = GetFileAttributesA(sFrom.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        ErrnoFromLastError();
        return 0;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        errno = EINVAL;
        return 0;
    }
    // A fresh file beside the target (CopyFile keeps the modification
    // time and attributes), flushed, then renamed over the target: a
    // running program's file can be renamed over, not written into.
    const std::string part = InstallPartFile(sTo);
    DeleteFileA(part.c_str());
    if (!CopyFileA(sFrom.c_str(), part.c_str(), TRUE)) {
        ErrnoFromLastError();
        DeleteFileA(part.c_str());
        return 0;
    }
    if (!FlushFile(part) ||
        !MoveFileExA(part.c_str(), sTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const int err = ErrnoFromLastError();
        DeleteFileA(part.c_str());
        errno = err;
        return 0;
    }
    return 1;
}

int InstallMoveFile(const std::string& sFrom, const std::string& sTo)
{
    if (MoveFileExA(sFrom.c_str(), sTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 1;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) {
        ErrnoFromLastError();
        return 0;
    }
    // Another volume: the new file is complete in place before the source
    // goes. A source that cannot be removed stays behind; installing it
    // again later does no harm.
    if (!InstallCopyFile(sFrom, sTo))
        return 0;
    DeleteFileA(sFrom.c_str());
    return 1;
}

bool InstallWriteFileAtOnce(const std::string& sPath, const std::string& sBytes)
{
    const std::string part = InstallPartFile(sPath);
    DeleteFileA(part.c_str());
    const HANDLE h =
        CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(h, sBytes.data(), sBytes.size());
    ok = FlushFileBuffers(h) != 0 && ok;
    ok = CloseHandle(h) != 0 && ok;
    ok = ok && MoveFileExA(part.c_str(), sPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(part.c_str());
    return ok;
}
