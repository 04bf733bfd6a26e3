#include "flash_fixture.h"

#include <cstdio>
#include <cstring>

std::vector<uint8_t> MakeImage(size_t uSize, const std::string& sVersion, size_t uStampAt)
{
    std::vector<uint8_t> image(uSize);
    uint32_t x = 0x12345678;
    for (uint8_t& b : image) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
        // No accidental stamp parts in the filler.
        if (b == 'C' || b == '.')
            b = 0;
    }
    if (!sVersion.empty() && uStampAt + 9 <= uSize && uStampAt >= 16) {
        std::memcpy(&image[uStampAt - 16], "ELI", 3);
        std::memset(&image[uStampAt - 8], 0, 8);
        std::memcpy(&image[uStampAt - 8], sVersion.data(), sVersion.size() < 8 ? sVersion.size() : 8);
        std::memcpy(&image[uStampAt], "Copyright", 9);
    }
    return image;
}

bool WriteFile(const std::string& sPath, const std::vector<uint8_t>& vBytes)
{
    FILE* f = std::fopen(sPath.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = vBytes.empty() || std::fwrite(vBytes.data(), 1, vBytes.size(), f) == vBytes.size();
    return std::fclose(f) == 0 && ok;
}
