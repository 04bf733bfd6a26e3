// Windows part of the file system seam.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "errno_win.h"
#include "fileio.h"

namespace {

// Seconds since 1970 of a file time (100 ns steps since 1601).
long long UnixSeconds(const FILETIME& ft)
{
    const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    constexpr unsigned long long kEpochDifference = 11644473600ULL;
    return static_cast<long long>(ticks / 10000000ULL) - static_cast<long long>(kEpochDifference);
}

bool StatusOfHandle(HANDLE h, FileStatus* pStatus)
{
    *pStatus = FileStatus{};
    const DWORD kind = GetFileType(h);
    if (kind == FILE_TYPE_CHAR) {
        pStatus->nType = FILE_KIND_DEVICE;
        return true;
    }
    if (kind == FILE_TYPE_PIPE) {
        pStatus->nType = FILE_KIND_PIPE;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (kind != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)) {
        ErrnoFromLastError();
        return false;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        pStatus->nType = FILE_KIND_LINK;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        pStatus->nType = FILE_KIND_FOLDER;
    else
        pStatus->nType = FILE_KIND_REGULAR;
    pStatus->uSize = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    pStatus->tmModified = UnixSeconds(info.ftLastWriteTime);
    return true;
}

// Opens what is at the path without reading or writing it (folders too).
HANDLE OpenForStatus(const char* szPath, bool bFollowLinks)
{
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (!bFollowLinks)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    return CreateFileA(szPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
}

HANDLE StreamHandle(FILE* pFile)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pFile)));
}

}  // namespace

bool FileStatusOf(const char* szPath, bool bFollowLinks, FileStatus* pStatus, int* pnErrno)
{
    const HANDLE h = OpenForStatus(szPath, bFollowLinks);
    if (h == INVALID_HANDLE_VALUE) {
        const int err = ErrnoFromLastError();
        if (pnErrno != nullptr)
            *pnErrno = err;
        return false;
    }
    const bool ok = StatusOfHandle(h, pStatus);
    const int err = errno;
    CloseHandle(h);
    if (!ok && pnErrno != nullptr)
        *pnErrno = err;
    return ok;
}

bool FileStatusOfStream(FILE* pFile, FileStatus* pStatus)
{
    const HANDLE h = StreamHandle(pFile);
    return h != INVALID_HANDLE_VALUE && StatusOfHandle(h, pStatus);
}

FILE* FileOpenRegular(const char* szPath, FileStatus* pStatus, int* pnErrno)
{
    *pnErrno = 0;
    *pStatus = FileStatus{};
    // Backup semantics, so that a folder opens and is told apart from a file.
    const HANDLE h = CreateFileA(szPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *pnErrno = ErrnoFromLastError();
        return nullptr;
    }
    if (!StatusOfHandle(h, pStatus)) {
        *pnErrno = errno;
        CloseHandle(h);
        return nullptr;
    }
    if (pStatus->nType != FILE_KIND_REGULAR) {
        CloseHandle(h);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        *pnErrno = errno;
        CloseHandle(h);
        return nullptr;
    }
    FILE* f = _fdopen(fd, "rb");
    if (f == nullptr) {
        *pnErrno = errno;
        _close(fd);
    }
    return f;
}

int FileAppendBytes(const char* szPath, const char* pBytes, size_t uSize)
{
    // A link is not followed: it opens as itself and is refused below.
    const HANDLE h = CreateFileA(szPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return ErrnoFromLastError();
    FileStatus st;
    int error = 0;
    if (!StatusOfHandle(h, &st))
        error = errno;
    else if (st.nType != FILE_KIND_REGULAR && st.nType != FILE_KIND_DEVICE)
        error = EINVAL;
    size_t done = 0;
    while (error == 0 && done < uSize) {
        DWORD n = 0;
        const DWORD chunk = uSize - done > 0x40000000u ? 0x40000000u : static_cast<DWORD>(uSize - done);
        if (!WriteFile(h, pBytes + done, chunk, &n, nullptr))
            error = ErrnoFromLastError();
        else if (n == 0)
            error = EIO;
        done += n;
    }
    CloseHandle(h);
    return error;
}

FILE* FileCreateTemporary(std::string* pTemplate)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string& path = *pTemplate;
    if (path.size() < 6 || path.compare(path.size() - 6, 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    unsigned long long seed = GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^
                              reinterpret_cast<uintptr_t>(pTemplate);
    for (int attempt = 0; attempt < 1000; attempt++) {
        for (size_t i = path.size() - 6; i < path.size(); i++) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            path[i] = kLetters[(seed >> 33) % (sizeof kLetters - 1)];
        }
        const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            ErrnoFromLastError();
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(h);
            DeleteFileA(path.c_str());
            return nullptr;
        }
        FILE* f = _fdopen(fd, "wb");
        if (f == nullptr) {
            _close(fd);
            DeleteFileA(path.c_str());
        }
        return f;
    }
    errno = EEXIST;
    return nullptr;
}

bool FileRemoveIfStale(const char* szPath)
{
    const DWORD attributes = GetFileAttributesA(szPath);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0)
        return false;
    // Opened without sharing only when no other process holds it; deleted
    // when this handle closes.
    const HANDLE h = CreateFileA(szPath, DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

long FileNameMax(const char*)
{
    return 255;   // every Windows file system the suite meets
}

bool FileFlushToDisk(FILE* pFile)
{
    return std::fflush(pFile) == 0 && FlushFileBuffers(StreamHandle(pFile)) != 0;
}

bool FileRenameNoReplace(const char* szFrom, const char* szTo)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing target is refused.
    if (MoveFileExA(szFrom, szTo, MOVEFILE_WRITE_THROUGH))
        return true;
    ErrnoFromLastError();
    return false;
}

bool FileRenameReplacing(const char* szFrom, const char* szTo)
{
    if (MoveFileExA(szFrom, szTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ErrnoFromLastError();
    return false;
}
