// Windows part of the file utilities, on the file system seam.
#include <cerrno>

#include "fileio.h"
#include "fileutil.h"

int FileHasProgramMode(const char*)
{
    return 0;   // only the "exe" extension makes a program here
}

const char* PathSpecialKind(const char* szPath, int* pnErrno, bool bFollowLink)
{
    FileStatus st;
    int err = 0;
    *pnErrno = 0;
    if (!FileStatusOf(szPath, bFollowLink, &st, &err)) {
        if (err != ENOENT)
            *pnErrno = err;
        return nullptr;
    }
    return FileKindName(st.nType);
}

FILE* FileOpenRegular(const char* szPath, const char** pszKind)
{
    *pszKind = nullptr;
    FileStatus st;
    int err = 0;
    FILE* f = FileOpenRegular(szPath, &st, &err);
    if (f == nullptr) {
        if (err == 0)
            *pszKind = FileKindName(st.nType);
        errno = err;
    }
    return f;
}
