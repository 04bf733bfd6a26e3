// Every seed of the harnesses replayed as an ordinary test: seeds named
// "ok-*" are runs that must succeed, the others runs that must fail; none
// may break what the harness checks.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct Seed {
    std::string sName;
    std::vector<uint8_t> vBytes;
};

std::vector<Seed> Seeds(const std::string& sHarness)
{
    const std::string dir = std::string(VARN_FUZZ_CORPUS) + "/" + sHarness;
    std::vector<Seed> seeds;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            std::ifstream in(dir + "/" + e->d_name, std::ios::binary);
            seeds.push_back({e->d_name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})});
        }
        closedir(d);
    }
    return seeds;
}

void Replay(const std::string& sHarness, int (*pfnHarness)(const uint8_t*, size_t))
{
    const std::vector<Seed> seeds = Seeds(sHarness);
    ASSERT_FALSE(seeds.empty()) << "no seeds for " << sHarness;
    for (const Seed& seed : seeds) {
        SCOPED_TRACE(seed.sName);
        const int expected = seed.sName.rfind("ok-", 0) == 0 ? 1 : 0;
        EXPECT_EQ(pfnHarness(seed.vBytes.data(), seed.vBytes.size()), expected);
    }
}

TEST(FuzzSeeds, Bootloader)
{
    Replay("bootloader", FuzzBootloaderExchange);
}

TEST(FuzzSeeds, LoggerDownload)
{
    Replay("logger_download", FuzzLoggerDownload);
}

TEST(FuzzSeeds, ConfigFile)
{
    Replay("config_file", FuzzConfigFile);
}

}  // namespace
