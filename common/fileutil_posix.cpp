// POSIX part of the file utilities.
#include <cerrno>
#include <sys/stat.h>

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
