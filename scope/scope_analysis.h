// What the scope reads out of its display buffer for the plots: the value a
// reading stands for, the time base, and per channel the minimum, maximum
// and mean and the spectrum of the last second of samples.
//
// Functions on values only (no window, no shared state), for the drawing,
// the tests and the benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The sensor's ADC: 12-bit readings over 0 V to 3.3 V, so reading 0 is 0 V
// and a reading of 4096 would be the reference voltage.
constexpr float SCOPE_ADC_VOLTS = 3.3f;
constexpr int SCOPE_ADC_SPAN = 4096;
// Vertical divisions of a plot (the horizontal grid lines every quarter)
// and horizontal ones (the vertical grid lines every fifth).
constexpr int SCOPE_Y_DIVISIONS = 4;
constexpr int SCOPE_X_DIVISIONS = 5;
// Lowest level a spectrum shows, dB below a full-scale sine.
constexpr float SCOPE_SPECTRUM_FLOOR_DB = -100.0f;

// The voltage of a reading.
double ScopeVolts(double rReading);
// "2.48 V": a reading as volts with two decimals.
std::string ScopeVoltsText(double rReading);
// The time base of the plots for a sample rate (samples per second per
// channel; 5000 points across five divisions): "1 s/div  1000 Hz",
// "500 ms/div  2000 Hz"; empty while the rate is unknown (0).
std::string ScopeTimeBaseText(unsigned uRate);

// Minimum, maximum and mean of one channel over its last uCount samples.
struct ScopeChannelStats {
    int nMin = 0;
    int nMax = 0;
    double rMean = 0.0;
    unsigned uCount = 0;   // samples taken; 0 for an empty buffer
};
// pBuffer: the display buffer (SCOPE_DISPLAY_SIZE entries, channels
// alternating, newest last); uRate samples (the last second) of nChannel,
// at most what the buffer holds.
ScopeChannelStats ScopeStats(const int32_t* pBuffer, int nChannel, unsigned uRate);
// "min 0.82 V  max 2.47 V  mean 1.65 V".
std::string ScopeStatsText(const ScopeChannelStats& stats);

// The magnitude spectrum of one channel.
struct ScopeSpectrum {
    std::vector<float> vDb;   // bins 0 .. N/2, dB relative to a full-scale sine
    double rBinHz = 0.0;      // bin spacing: rate / N
    double rPeakHz = 0.0;     // centre of the highest bin above 0 Hz
    float fPeakDb = SCOPE_SPECTRUM_FLOOR_DB;
};
// The spectrum of the last second of nChannel: N, the smallest power of two
// that holds uRate samples (at most what the buffer holds), the mean taken
// off, a Hann window, one FFT; levels below SCOPE_SPECTRUM_FLOOR_DB are
// raised to it. An unknown rate (0) gives an empty spectrum.
void ScopeComputeSpectrum(const int32_t* pBuffer, int nChannel, unsigned uRate, ScopeSpectrum* pOut);
// "Peak 50.0 Hz".
std::string ScopePeakText(const ScopeSpectrum& spectrum);
