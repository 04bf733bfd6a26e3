#include "standin.h"

#include <cstdio>
#include <filesystem>

bool InstallStandin(const std::string& sDir, const std::string& sName)
{
    std::error_code ec;
    const std::filesystem::path to = std::filesystem::path(sDir) / sName;
    std::filesystem::copy_file(VARN_STANDIN_EXE, to, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

std::string WaitStandinRecord(const std::string& sDir, unsigned uMs)
{
    const std::string path = sDir + "/standin.log";
    std::string text;
    // A record is complete at its empty line.
    WaitUntil(
        [&] {
            text = ReadFileText(path);
            return text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0;
        },
        uMs);
    return text;
}

bool FileWriteOk(const std::string& sPath, const std::string& sBytes)
{
    std::FILE* f = std::fopen(sPath.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(sBytes.data(), 1, sBytes.size(), f) == sBytes.size();
    return std::fclose(f) == 0 && ok;
}
