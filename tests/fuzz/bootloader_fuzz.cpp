// The bootloader exchanges and the upload against a device that answers with
// the fuzz input (harness.h).
#include <cstdio>
#include <string>
#include <vector>

#include "bootloader.h"
#include "fake_serial.h"
#include "harness.h"
#include "harness_setup.h"
#include "serial.h"

namespace {

constexpr size_t kImageSize = 700;

// The image every flash run uploads: filler with a 2.37 stamp.
const std::vector<uint8_t>& Image()
{
    static const std::vector<uint8_t> image = [] {
        std::vector<uint8_t> bytes(kImageSize);
        for (size_t i = 0; i < bytes.size(); i++)
            bytes[i] = static_cast<uint8_t>(i * 7 + 1);
        const std::string stamp = std::string("ELI") + std::string(5, '\0') + "2.37" + std::string(4, '\0') + "Copyright";
        std::copy(stamp.begin(), stamp.end(), bytes.begin() + 100);
        return bytes;
    }();
    return image;
}

const std::string& ImagePath()
{
    static const std::string path = [] {
        const std::string p = FuzzScratchDir() + "/fuzz.bin";
        FILE* f = std::fopen(p.c_str(), "wb");
        if (f != nullptr) {
            std::fwrite(Image().data(), 1, Image().size(), f);
            std::fclose(f);
        }
        return p;
    }();
    return path;
}

}  // namespace

int FuzzBootloaderExchange(const uint8_t* pData, size_t uSize)
{
    if (uSize == 0)
        return 0;
    FuzzUseProgram(PROGRAM_FLASH);
    if (!SerialOpen(fakeserial::PORT))
        return 0;
    SerialSetTimeout(BLDR_FRAME_TIMEOUT_MS);
    fakeserial::Play(std::string(reinterpret_cast<const char*>(pData + 1), uSize - 1), true, nullptr);

    SilentFrontEnd frontEnd(pData[0] & 2 ? 1 : 0);
    FlashRun run;
    run.sPort = fakeserial::PORT;
    run.sFile = ImagePath();
    run.bInfoOnly = pData[0] & 1;
    run.pFrontEnd = &frontEnd;
    run.pCancel = nullptr;
    const int ok = ProcessThreadBootloader(run);
    SerialClose();
    return ok;
}
