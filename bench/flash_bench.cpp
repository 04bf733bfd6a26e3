// Firmware upload speed against the simulated bootloader at the real line
// rate, over a real pseudo-terminal.
//
// Times a flash run of a 256 KiB image from the bootloader's answer to MAGIC
// (power-up excluded) to the answer to EXIT, and compares it with the wire
// minimum: every byte of that exchange in both directions / 11520 bytes per
// second. The exchange is lock-step, so the excess is the host's and the
// simulator's turn-around cost per frame.
//
// The same run with the simulator unpaced shows what the two ends cost per
// block by themselves.
//
// Usage: flash_bench [image size in KiB, default 256]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "appframe.h"
#include "bootloader.h"
#include "log.h"
#include "simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes when the bootloader answered; prints nothing.
class TimingFrontEnd : public TaskFrontEnd {
public:
    void Progress(int, int, const char*) override {}
    void State(int nState, const char*) override
    {
        if (nState == TASK_BUSY_LOCKED)
            tStarted = Clock::now();
    }
    int Question(MessageKind, const char*) override { return 1; }
    void Information(const char*) override {}
    Clock::time_point tStarted;
};

// Only failures are worth printing; the success notice would break the table.
void PrintMessage(MessageKind nKind, const char* szText)
{
    if (nKind == MESSAGE_ERROR)
        std::fprintf(stderr, "%s\n", szText);
}

}  // namespace

int main(int argc, char** argv)
{
    const unsigned kib = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 256;
    if (kib == 0) {
        std::fprintf(stderr, "Usage: flash_bench [image size in KiB, default 256]\n");
        return 2;
    }
    char dir[] = "/tmp/varn-flash-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr)
        return 1;
    AppStartupFrameIn(PROGRAM_FLASH, dir);
    SetMessageHandler(PrintMessage);

    const size_t size = static_cast<size_t>(kib) * 1024;
    std::vector<uint8_t> image(size);
    uint32_t x = 1;
    for (uint8_t& b : image) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    const std::string path = std::string(dir) + "/bench.bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(image.data(), 1, size, f) != size || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }

    // One flash run; the seconds from the bootloader's answer to the end,
    // or a negative value when the run failed.
    auto flash = [&](bool bPaced) {
        varnsim::Options o;
        o.paced = bPaced;
        o.poweredOn = false;
        o.powerUpAfterMs = 300;
        o.flashSize = static_cast<uint32_t>(size) + 65536;
        varnsim::Simulator sim(o);
        std::string error;
        if (!sim.Start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return -1.0;
        }
        TimingFrontEnd ui;
        FlashRun run;
        run.sPort = sim.PortPath();
        run.sFile = path;
        run.pFrontEnd = &ui;
        const int ok = ProcessThread(run);
        const Clock::time_point end = Clock::now();
        if (!ok || sim.FlashedImage() != image)
            return -1.0;
        return std::chrono::duration<double>(end - ui.tStarted).count();
    };
    const double unpaced = flash(false);
    const double took = flash(true);
    std::remove(path.c_str());
    rmdir(dir);
    if (unpaced < 0 || took < 0) {
        std::fprintf(stderr, "flash run failed\n");
        return 1;
    }

    // Bytes after MAGIC: the four information frames and their answers,
    // BEGIN_UPLOAD, the blocks, END_OF_DATA and EXIT with their statuses.
    const size_t blocks = (size + BLDR_BLOCK_SIZE - 1) / BLDR_BLOCK_SIZE;
    const size_t versionLength = std::string("VARN-BL 1.12").size();
    const size_t sent = 4 + 5 + size + blocks * BLDR_BLOCK_OVERHEAD + 1 + 1;
    const size_t received = (3 + versionLength) + 13 + 5 + 5 + 1 + blocks + 1 + 1;
    const double wire = static_cast<double>(sent + received) / varnsim::kLineBytesPerSecond;
    std::printf("Upload of %u KiB (%zu blocks) at %d bytes/s\n", kib, blocks, varnsim::kLineBytesPerSecond);
    std::printf("  bytes on the wire : %zu sent, %zu received\n", sent, received);
    std::printf("  wire minimum      : %.3f s\n", wire);
    std::printf("  measured          : %.3f s\n", took);
    std::printf("  overhead          : %+.2f %% (%.3f ms per block)\n", (took / wire - 1.0) * 100.0,
                (took - wire) * 1000.0 / static_cast<double>(blocks));
    std::printf("  unpaced run       : %.3f s (%.3f ms per block: host and simulator turn-around)\n", unpaced,
                unpaced * 1000.0 / static_cast<double>(blocks));
    return 0;
}
