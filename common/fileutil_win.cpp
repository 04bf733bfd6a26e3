// Windows part of the file utilities, on the file system seam.
#include <cerrno>
#include <cstdio>
#include <string>

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

const char* FileSpecialKind(const char* szPath)
{
    int err = 0;
    return PathSpecialKind(szPath, &err, true);
}

FILE* FileOpenRegular(const char* szPath, const char* szMode, const char** pszKind)
{
    if (pszKind != nullptr)
        *pszKind = nullptr;
    FileStatus st;
    int err = 0;
    if (szMode[0] == 'r') {
        FILE* f = FileOpenRegular(szPath, &st, &err);
        if (f == nullptr) {
            if (err == 0 && pszKind != nullptr)
                *pszKind = FileKindName(st.nType);
            errno = err != 0 ? err : EINVAL;
        }
        return f;
    }
    // Writing: what stands at the name must be a regular file (a device
    // name such as NUL or COM1 is none), and files are written as bytes.
    if (FileStatusOf(szPath, true, &st, &err) && st.nType != FILE_KIND_REGULAR) {
        if (pszKind != nullptr)
            *pszKind = FileKindName(st.nType);
        errno = EINVAL;
        return nullptr;
    }
    std::string mode = szMode;
    if (mode.find('b') == std::string::npos)
        mode += 'b';
    return std::fopen(szPath, mode.c_str());
}
