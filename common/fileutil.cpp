#include "fileutil.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

#include "appframe.h"
#include "log.h"

int FileExists(const char* szPath)
{
    struct stat st;
    return stat(szPath, &st) == 0 && !S_ISDIR(st.st_mode) ? 1 : 0;
}

int DirExists(const char* szPath)
{
    struct stat st;
    return stat(szPath, &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

int FileRead(const char* szPath, char* szBuffer, size_t uSize)
{
    FILE* f = std::fopen(szPath, "r");
    if (f == nullptr)
        return 0;
    if (uSize > 0) {
        szBuffer[0] = '\0';
        if (std::fgets(szBuffer, static_cast<int>(uSize), f) == nullptr)
            szBuffer[0] = '\0';
    }
    std::fclose(f);
    return 1;
}

int FileWrite(const char* szPath, const char* szText)
{
    FILE* f = std::fopen(szPath, "w");
    if (f == nullptr)
        return 0;
    size_t len = std::strlen(szText);
    bool ok = std::fwrite(szText, 1, len, f) == len;
    ok = std::fclose(f) == 0 && ok;
    return ok ? 1 : 0;
}

unsigned FileSize(const char* szPath)
{
    struct stat st;
    if (stat(szPath, &st) != 0)
        return 0;
    return static_cast<unsigned>(static_cast<unsigned long long>(st.st_size) & 0xFFFFFFFFu);
}

int FileIsExecutable(const char* szPath)
{
    char ext[APP_PATH_SIZE];
    PathExt(szPath, ext, sizeof ext);
    if (std::strcmp(ext, "exe") == 0)
        return 1;
#if !defined(_WIN32)
    struct stat st;
    if (stat(szPath, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0)
        return 1;
#endif
    return 0;
}

int DirCreate(const char* szPath)
{
    return mkdir(szPath, 0777) == 0 ? 1 : 0;
}

int PathAdjustSeparator(char* szPath)
{
    const char foreign = APP_SEPARATOR == '/' ? '\\' : '/';
    for (char* p = szPath; *p != '\0'; p++) {
        if (*p == foreign)
            *p = APP_SEPARATOR;
    }
    return 1;
}

namespace {

// Creates one directory of PathCreate unless it exists; reports a failure.
int EnsureDir(const std::string& sDir)
{
#if !defined(_WIN32)
    if (sDir.empty())
        return 1;   // the part before a leading "/": the root
#endif
    if (DirExists(sDir.c_str()) || DirCreate(sDir.c_str()))
        return 1;
    return Error("Could not create '%s' directory !", sDir.c_str());
}

}  // namespace

int PathCreate(int bFile, const char* szPath)
{
    const std::string path(szPath);
    for (size_t pos = path.find(APP_SEPARATOR); pos != std::string::npos;
         pos = path.find(APP_SEPARATOR, pos + 1)) {
        if (!EnsureDir(path.substr(0, std::min<size_t>(pos, APP_PATH_SIZE - 1))))
            return 0;
    }
    if (bFile == 0 && !EnsureDir(path))
        return 0;
    return 1;
}

namespace {

void CopyCut(const char* szFrom, char* szDest, size_t uSize)
{
    if (uSize > 0)
        std::snprintf(szDest, uSize, "%s", szFrom);
}

}  // namespace

int PathBasename(const char* szPath, char* szDest, size_t uSize)
{
    const char* sep = std::strrchr(szPath, APP_SEPARATOR);
    CopyCut(sep != nullptr ? sep + 1 : szPath, szDest, uSize);
    return 1;
}

int PathExt(const char* szPath, char* szDest, size_t uSize)
{
    const char* dot = std::strrchr(szPath, '.');
    CopyCut(dot != nullptr ? dot + 1 : szPath, szDest, uSize);
    return 1;
}
