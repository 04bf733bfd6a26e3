// POSIX part of the file utilities.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileutil.h"

int FileHasProgramMode(const char* szPath)
{
    struct stat st {};
    return stat(szPath, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0
               ? 1
               : 0;
}

const char* PathSpecialKind(const char* szPath, int* pnErrno, bool bFollowLink)
{
    struct stat st {};
    *pnErrno = 0;
    if ((bFollowLink ? stat(szPath, &st) : lstat(szPath, &st)) != 0) {
        if (errno != ENOENT)
            *pnErrno = errno;
        return nullptr;
    }
    if (S_ISREG(st.st_mode))
        return nullptr;
    if (S_ISLNK(st.st_mode))
        return "symbolic link";
    if (S_ISDIR(st.st_mode))
        return "folder";
    if (S_ISFIFO(st.st_mode))
        return "pipe";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return "device";
    if (S_ISSOCK(st.st_mode))
        return "socket";
    return "special file";
}

FILE* FileOpenRegular(const char* szPath, const char** pszKind)
{
    *pszKind = nullptr;
    // Non-blocking, so that opening a pipe or a modem device returns at
    // once; what was opened is looked at before a byte is read.
    const int fd = open(szPath, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        if (S_ISDIR(st.st_mode))
            *pszKind = "folder";
        else if (S_ISFIFO(st.st_mode))
            *pszKind = "pipe";
        else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            *pszKind = "device";
        else if (S_ISSOCK(st.st_mode))
            *pszKind = "socket";
        else if (st.st_mode != 0)
            *pszKind = "special file";
        close(fd);
        errno = err;
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    FILE* f = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(fd, "rb") : nullptr;
    if (f == nullptr) {
        const int err = errno;
        close(fd);
        errno = err;
    }
    return f;
}
