// POSIX part of the file utilities.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileutil.h"

namespace {

const char* KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return nullptr;
    if (S_ISDIR(mode))
        return "folder";
    if (S_ISFIFO(mode))
        return "pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "device";
    if (S_ISSOCK(mode))
        return "socket";
    return "special file";
}

}  // namespace

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
    if (S_ISLNK(st.st_mode))
        return "symbolic link";
    return KindOf(st.st_mode);
}

const char* FileSpecialKind(const char* szPath)
{
    int err = 0;
    return PathSpecialKind(szPath, &err, true);
}

FILE* FileOpenRegular(const char* szPath, const char* szMode, const char** pszKind)
{
    if (pszKind != nullptr)
        *pszKind = nullptr;
    // Non-blocking for the open only: a pipe without a writer (or reader)
    // would hold the open forever, a terminal would become our own.
    int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    if (szMode[0] == 'w' || szMode[0] == 'a')
        flags |= O_WRONLY | O_CREAT | (szMode[0] == 'a' ? O_APPEND : 0);
    else
        flags |= O_RDONLY;
    const int fd = open(szPath, flags, 0666);
    if (fd < 0) {
        const int err = errno;
        if (pszKind != nullptr)
            *pszKind = FileSpecialKind(szPath);
        errno = err;
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || KindOf(st.st_mode) != nullptr) {
        if (pszKind != nullptr)
            *pszKind = KindOf(st.st_mode);
        close(fd);
        errno = EINVAL;
        return nullptr;
    }
    // Truncated only now that it is known to be a file.
    if ((szMode[0] == 'w' && ftruncate(fd, 0) != 0) || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int err = errno;
        close(fd);
        errno = err;
        return nullptr;
    }
    FILE* f = fdopen(fd, szMode);
    if (f == nullptr) {
        const int err = errno;
        close(fd);
        errno = err;
    }
    return f;
}
