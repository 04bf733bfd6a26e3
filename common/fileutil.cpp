#include "fileutil.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "appframe.h"
#include "log.h"

namespace fs = std::filesystem;

namespace {

// The path's kind, following links; not_found when it cannot be read.
fs::file_type KindOf(const char* szPath)
{
    std::error_code ec;
    return fs::status(szPath, ec).type();
}

bool Readable(fs::file_type nKind)
{
    return nKind != fs::file_type::none && nKind != fs::file_type::not_found;
}

}  // namespace

int FileExists(const char* szPath)
{
    const fs::file_type kind = KindOf(szPath);
    return Readable(kind) && kind != fs::file_type::directory ? 1 : 0;
}

int DirExists(const char* szPath)
{
    return KindOf(szPath) == fs::file_type::directory ? 1 : 0;
}

int PathExists(const char* szPath)
{
    return Readable(KindOf(szPath)) ? 1 : 0;
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
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(szPath, ec);
    if (ec)
        return 0;
    return static_cast<unsigned>(size & 0xFFFFFFFFu);
}

int FileIsExecutable(const char* szPath)
{
    char ext[APP_PATH_SIZE];
    PathExt(szPath, ext, sizeof ext);
    if (std::strcmp(ext, "exe") == 0)
        return 1;
    return FileHasProgramMode(szPath);
}

int DirCreate(const char* szPath)
{
    std::error_code ec;
    return fs::create_directory(szPath, ec) ? 1 : 0;
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
    if (DirExists(sDir.c_str()) || DirCreate(sDir.c_str()))
        return 1;
    return Error("Could not create '%s' directory !", sDir.c_str());
}

}  // namespace

int PathCreate(int bFile, const char* szPath)
{
    const std::string path(szPath);
    // Where an absolute path begins with the separator (POSIX "/"), the
    // empty part before it is the root, which exists; elsewhere ("\x" on
    // Windows is relative to the drive) it is a name that cannot be made.
    const bool rootFirst = fs::path(path).is_absolute() && !path.empty() && path[0] == APP_SEPARATOR;
    for (size_t pos = path.find(APP_SEPARATOR); pos != std::string::npos;
         pos = path.find(APP_SEPARATOR, pos + 1)) {
        if (pos == 0 && rootFirst)
            continue;
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
