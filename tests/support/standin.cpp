#include "standin.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(uMs);
    for (;;) {
        const std::string text = ReadFileText(path);
        // A record is complete at its empty line.
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0)
            return text;
        if (std::chrono::steady_clock::now() >= deadline)
            return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool FileWriteOk(const std::string& sPath, const std::string& sBytes)
{
    std::FILE* f = std::fopen(sPath.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(sBytes.data(), 1, sBytes.size(), f) == sBytes.size();
    return std::fclose(f) == 0 && ok;
}
