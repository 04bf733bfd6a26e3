#include "config_file_output.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

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
    if (out.OpenTemporary(sTarget + ".XXXXXX") == nullptr)
        return 0;
    bFailed = false;
    return 1;
}

void ConfigFileOutput::Write(const std::string& sText)
{
    FILE* file = out.Stream();
    if (file == nullptr || bFailed)
        return;
    if (std::fwrite(sText.data(), 1, sText.size(), file) != sText.size())
        bFailed = true;
}

int ConfigFileOutput::Commit()
{
    if (out.Stream() == nullptr)
        return 0;
    if (bFailed) {
        out.Discard();
        return 0;
    }
    std::error_code ec;
    const fs::file_status old = fs::status(sTarget, ec);
    if (!ec && fs::is_regular_file(old))
        fs::permissions(out.SidePath(), old.permissions(), ec);
    return out.Commit(sTarget) == FileBeside::FILE_BESIDE_DONE ? 1 : 0;
}

void ConfigFileOutput::Discard()
{
    out.Discard();
}
