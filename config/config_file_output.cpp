#include "config_file_output.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Tries for a free temporary name beside the target.
constexpr int TEMP_TRIES = 100;

std::atomic<unsigned> uTempCounter{0};

}  // namespace

ConfigFileOutput::~ConfigFileOutput()
{
    Discard();
}

int ConfigFileOutput::Open(const std::string& sPath)
{
    Discard();
    std::error_code ec;
    sTarget = sPath;
    if (fs::is_symlink(fs::symlink_status(sPath, ec))) {
        const fs::path real = fs::canonical(sPath, ec);
        if (!ec)
            sTarget = real.string();
    }
    const fs::file_status target = fs::status(sTarget, ec);
    if (fs::exists(target)) {
        // Opening a pipe would wait for a reader, a device would be fed.
        if (!fs::is_regular_file(target))
            return 0;
        // "a" leaves the file as it is: only whether it could be written.
        FILE* probe = std::fopen(sTarget.c_str(), "ab");
        if (probe == nullptr)
            return 0;
        std::fclose(probe);
    }
    for (int i = 0; i < TEMP_TRIES && pFile == nullptr; i++) {
        sTemp = sTarget + ".part" + std::to_string(uTempCounter.fetch_add(1));
        pFile = std::fopen(sTemp.c_str(), "wbx");   // never an existing file
        if (pFile == nullptr && errno != EEXIST)
            break;
    }
    if (pFile == nullptr) {
        sTemp.clear();
        return 0;
    }
    bFailed = false;
    return 1;
}

void ConfigFileOutput::Write(const std::string& sText)
{
    if (pFile == nullptr || bFailed)
        return;
    if (std::fwrite(sText.data(), 1, sText.size(), pFile) != sText.size())
        bFailed = true;
}

int ConfigFileOutput::Commit()
{
    if (pFile == nullptr)
        return 0;
    bool ok = !bFailed && std::fflush(pFile) == 0 && !std::ferror(pFile);
    ok = std::fclose(pFile) == 0 && ok;
    pFile = nullptr;
    std::error_code ec;
    if (ok) {
        const fs::file_status old = fs::status(sTarget, ec);
        if (!ec && fs::is_regular_file(old))
            fs::permissions(sTemp, old.permissions(), ec);
        ec.clear();
        fs::rename(sTemp, sTarget, ec);
        ok = !ec;
    }
    if (!ok)
        fs::remove(sTemp, ec);
    sTemp.clear();
    return ok ? 1 : 0;
}

void ConfigFileOutput::Discard()
{
    if (pFile != nullptr) {
        std::fclose(pFile);
        pFile = nullptr;
    }
    if (!sTemp.empty()) {
        std::error_code ec;
        fs::remove(sTemp, ec);
        sTemp.clear();
    }
}
