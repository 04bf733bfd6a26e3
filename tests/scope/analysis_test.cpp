// What the plots read out of the display buffer: the values of the grid,
// the time base, the statistics and the spectrum of the last second.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scope_analysis.h"
#include "scope_parse.h"

namespace {

// Channel 0 a sine of the frequency at the rate, channel 1 a constant.
std::vector<int32_t> Sine(double rHz, unsigned uRate, double rAmplitude = 1500.0)
{
    std::vector<int32_t> buffer(SCOPE_DISPLAY_SIZE);
    for (unsigned i = 0; i < SCOPE_DISPLAY_SIZE / 2; i++) {
        buffer[2 * i] = static_cast<int32_t>(std::lround(2048 + rAmplitude * std::sin(2 * M_PI * rHz * i / uRate)));
        buffer[2 * i + 1] = 1000;
    }
    return buffer;
}

TEST(ScopeAnalysis, ValuesAndTimeBaseForTheAdcRangeAndTheRate)
{
    EXPECT_EQ(ScopeVoltsText(4096), "3.30 V");
    EXPECT_EQ(ScopeVoltsText(1000), "0.81 V");
    EXPECT_EQ(ScopeVoltsText(2048), "1.65 V");
    EXPECT_EQ(ScopeVoltsText(0), "0.00 V");
    // 5000 points across five divisions.
    EXPECT_EQ(ScopeTimeBaseText(SCOPE_ASCII_RATE), "1 s/div  1000 Hz");
    EXPECT_EQ(ScopeTimeBaseText(SCOPE_BINARY_RATE), "500 ms/div  2000 Hz");
    EXPECT_EQ(ScopeTimeBaseText(0), "");
}

TEST(ScopeAnalysis, StatisticsTakeTheLastSecondOfTheirChannel)
{
    std::vector<int32_t> buffer = Sine(10.0, SCOPE_BINARY_RATE);
    // An outlier older than a second is not counted.
    buffer[0] = 4095;
    const ScopeChannelStats s = ScopeStats(buffer.data(), 0, SCOPE_BINARY_RATE);
    EXPECT_EQ(s.uCount, SCOPE_BINARY_RATE);
    EXPECT_EQ(s.nMin, 548);
    EXPECT_EQ(s.nMax, 3548);
    EXPECT_NEAR(s.rMean, 2048.0, 0.5);
    const ScopeChannelStats flat = ScopeStats(buffer.data(), 1, SCOPE_ASCII_RATE);
    EXPECT_EQ(flat.nMin, 1000);
    EXPECT_EQ(flat.nMax, 1000);
    EXPECT_EQ(ScopeStatsText(flat), "min 0.81 V  max 0.81 V  mean 0.81 V");
}

TEST(ScopeAnalysis, SpectrumOfASineShowsItsFrequencyWithinOneBin)
{
    for (unsigned rate : {SCOPE_ASCII_RATE, SCOPE_BINARY_RATE}) {
        for (double hz : {50.0, 123.4, rate / 2.0 - 20.0}) {
            const std::vector<int32_t> buffer = Sine(hz, rate);
            ScopeSpectrum spectrum;
            ScopeComputeSpectrum(buffer.data(), 0, rate, &spectrum);
            ASSERT_FALSE(spectrum.vDb.empty());
            EXPECT_NEAR(spectrum.rBinHz * (spectrum.vDb.size() - 1), rate / 2.0, 1e-9) << "up to half the rate";
            EXPECT_NEAR(spectrum.rPeakHz, hz, spectrum.rBinHz) << rate << " Hz rate";
            // A sine of 1500 of the 2048 of full scale: about -2.7 dB.
            EXPECT_NEAR(spectrum.fPeakDb, 20 * std::log10(1500.0 / 2048.0), 1.6);
        }
    }
    // A constant channel has no peak; an unknown rate no spectrum.
    const std::vector<int32_t> buffer = Sine(50.0, SCOPE_BINARY_RATE);
    ScopeSpectrum flat;
    ScopeComputeSpectrum(buffer.data(), 1, SCOPE_BINARY_RATE, &flat);
    EXPECT_EQ(ScopePeakText(flat), "");
    ScopeComputeSpectrum(buffer.data(), 0, 0, &flat);
    EXPECT_TRUE(flat.vDb.empty());
}

}  // namespace
