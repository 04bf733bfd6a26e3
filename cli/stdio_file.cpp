#include "stdio_file.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "log.h"

namespace fs = std::filesystem;

CliStdioFile::~CliStdioFile()
{
    if (!sFolder.empty()) {
        std::error_code ec;
        fs::remove_all(sFolder, ec);
    }
}

bool CliStdioFile::MakeFolder()
{
    if (!sFolder.empty())
        return true;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    std::random_device random;
    for (int attempt = 0; !ec && attempt < 16; attempt++) {
        const fs::path dir = base / ("varn-" + std::to_string(random()));
        // create_directory is false when the name exists: try another.
        if (fs::create_directory(dir, ec) && !ec) {
            fs::permissions(dir, fs::perms::owner_all, ec);
            sFolder = dir.string();
            return true;
        }
    }
    return Error("Could not create a temporary folder for standard input or output !");
}

bool CliStdioFile::Input(const std::string& sArg, std::string* pPath)
{
    if (sArg != CLI_STANDARD_STREAM) {
        *pPath = sArg;
        return true;
    }
    if (!MakeFolder())
        return false;
    const std::string path = sFolder + "/stdin";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return Error("Could not open file '%s' for writing !", path.c_str());
    char buffer[65536];
    size_t total = 0;
    size_t n = 0;
    bool ok = true;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        total += n;
        if (total > CLI_STDIN_MAX || std::fwrite(buffer, 1, n, out) != n) {
            ok = false;
            break;
        }
    }
    const bool readFailed = std::ferror(stdin) != 0;
    if (std::fclose(out) != 0)
        ok = false;
    if (total > CLI_STDIN_MAX)
        return Error("Standard input holds more than %u bytes: refused !", static_cast<unsigned>(CLI_STDIN_MAX));
    if (!ok || readFailed)
        return Error("Could not read standard input !");
    if (total == 0)
        return Error("Standard input is empty !");
    *pPath = path;
    return true;
}

bool CliStdioFile::Output(const std::string& sArg, std::string* pPath)
{
    if (sArg != CLI_STANDARD_STREAM) {
        *pPath = sArg;
        return true;
    }
    if (!MakeFolder())
        return false;
    sOutput = sFolder + "/stdout";
    *pPath = sOutput;
    return true;
}

bool CliStdioFile::Finish()
{
    if (sOutput.empty())
        return true;
    FILE* in = std::fopen(sOutput.c_str(), "rb");
    if (in == nullptr)
        return Error("Could not open file '%s' for reading !", sOutput.c_str());
    char buffer[65536];
    size_t n = 0;
    bool ok = true;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        if (std::fwrite(buffer, 1, n, stdout) != n) {
            ok = false;
            break;
        }
    }
    std::fclose(in);
    if (std::fflush(stdout) != 0 || !ok)
        return Error("Could not write to standard output !");
    return true;
}
