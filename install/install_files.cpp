#include "install_files.h"

#include <cstring>

#include "appframe.h"
#include "fileutil.h"

std::string InstallScriptPath(const std::string& sWritten)
{
    std::string path(sWritten);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

namespace {

// true when sPath is sRoot or lies below it (both resolved).
bool Inside(const std::string& sRoot, const std::string& sPath)
{
    if (sRoot == "/")
        return !sPath.empty() && sPath[0] == '/';
    return sPath == sRoot || (sPath.size() > sRoot.size() && sPath.compare(0, sRoot.size(), sRoot) == 0 &&
                              sPath[sRoot.size()] == '/');
}

}  // namespace

InstallPathFault InstallCheckPath(const char* szDir, const std::string& sWritten, std::string* pJoined)
{
    const std::string rel = InstallScriptPath(sWritten);
    const std::string root(szDir);
    *pJoined = root + '/' + rel;
    // The system would take the text before a zero byte: another path
    // than the one written.
    if (rel.find('\0') != std::string::npos)
        return INSTALL_PATH_ZERO_BYTE;
    if (!rel.empty() && rel[0] == '/')
        return INSTALL_PATH_LEAVES;
    std::string deepest;
    std::string prefix = root;
    bool walking = true;
    size_t start = 0;
    while (start <= rel.size()) {
        size_t end = rel.find('/', start);
        if (end == std::string::npos)
            end = rel.size();
        const std::string part = rel.substr(start, end - start);
        if (part == "..")
            return INSTALL_PATH_LEAVES;
        if (walking && !part.empty()) {
            // The part of the path that exists already; what is missing
            // will be created as plain folders and a plain file.
            prefix += '/' + part;
            if (InstallEntryExists(prefix))
                deepest = prefix;
            else
                walking = false;
        }
        start = end + 1;
    }
    if (pJoined->size() > INSTALL_PATH_MAX)
        return INSTALL_PATH_TOO_LONG;
    if (deepest.empty())
        return INSTALL_PATH_OK;
    std::string realRoot, realPath;
    // A link that cannot be followed (dangling, unreadable) is not trusted.
    if (!InstallResolve(root, &realRoot) || !InstallResolve(deepest, &realPath) || !Inside(realRoot, realPath))
        return INSTALL_PATH_LEAVES;
    return INSTALL_PATH_OK;
}

int InstallIsProgram(const std::string& sDest, const std::string& sSource)
{
    char ext[APP_PATH_SIZE];
    PathExt(sDest.c_str(), ext, sizeof ext);
    if (std::strcmp(ext, "exe") == 0)
        return 1;
    char base[APP_PATH_SIZE];
    PathBasename(sDest.c_str(), base, sizeof base);
    if (std::strchr(base, '.') != nullptr)
        return 0;
    return FileHasProgramMode(sSource.c_str()) || FileHasProgramMode(sDest.c_str()) ? 1 : 0;
}

std::string InstallPartFile(const std::string& sTo)
{
    return sTo + ".varn-part";
}
