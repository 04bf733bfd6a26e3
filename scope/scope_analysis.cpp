#include "scope_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

#include "scope_parse.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr unsigned kChannelSamples = SCOPE_DISPLAY_SIZE / 2;
// The amplitude of a full-scale sine: half the reading span.
constexpr double kFullScaleAmplitude = SCOPE_ADC_SPAN / 2.0;

std::string Format(const char* szFormat, double a, double b = 0.0, double c = 0.0)
{
    char text[96];
    std::snprintf(text, sizeof text, szFormat, a, b, c);
    return text;
}

// In-place radix-2 FFT; the size is a power of two.
void Fft(std::vector<std::complex<double>>& v)
{
    const size_t n = v.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(v[i], v[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * kPi / static_cast<double>(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0);
            for (size_t k = 0; k < len / 2; k++) {
                const std::complex<double> a = v[i + k], b = v[i + k + len / 2] * w;
                v[i + k] = a + b;
                v[i + k + len / 2] = a - b;
                w *= step;
            }
        }
    }
}

}  // namespace

double ScopeVolts(double rReading)
{
    return rReading * SCOPE_ADC_VOLTS / SCOPE_ADC_SPAN;
}

std::string ScopeVoltsText(double rReading)
{
    return Format("%.2f V", ScopeVolts(rReading));
}

std::string ScopeTimeBaseText(unsigned uRate)
{
    if (uRate == 0)
        return "";
    const double division = static_cast<double>(kChannelSamples) / uRate / SCOPE_X_DIVISIONS;
    if (division >= 1.0)
        return Format("%g s/div  %g Hz", division, uRate);
    return Format("%g ms/div  %g Hz", division * 1000.0, uRate);
}

ScopeChannelStats ScopeStats(const int32_t* pBuffer, int nChannel, unsigned uRate)
{
    ScopeChannelStats stats;
    const unsigned count = std::min(uRate, kChannelSamples);
    if (count == 0)
        return stats;
    const unsigned first = kChannelSamples - count;
    double sum = 0.0;
    stats.nMin = stats.nMax = pBuffer[2 * first + nChannel];
    for (unsigned i = first; i < kChannelSamples; i++) {
        const int v = pBuffer[2 * i + nChannel];
        stats.nMin = std::min(stats.nMin, v);
        stats.nMax = std::max(stats.nMax, v);
        sum += v;
    }
    stats.rMean = sum / count;
    stats.uCount = count;
    return stats;
}

std::string ScopeStatsText(const ScopeChannelStats& s)
{
    return Format("min %.2f V  max %.2f V  mean %.2f V", ScopeVolts(s.nMin), ScopeVolts(s.nMax),
                  ScopeVolts(s.rMean));
}

void ScopeComputeSpectrum(const int32_t* pBuffer, int nChannel, unsigned uRate, ScopeSpectrum* pOut)
{
    *pOut = ScopeSpectrum();
    if (uRate == 0)
        return;
    size_t n = 1;
    while (n < uRate && n * 2 <= kChannelSamples)
        n *= 2;
    const size_t first = kChannelSamples - n;
    double mean = 0.0;
    for (size_t i = first; i < kChannelSamples; i++)
        mean += pBuffer[2 * i + nChannel];
    mean /= static_cast<double>(n);

    std::vector<std::complex<double>> v(n);
    double windowSum = 0.0;
    for (size_t i = 0; i < n; i++) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(n));
        windowSum += w;
        v[i] = (pBuffer[2 * (first + i) + nChannel] - mean) * w;
    }
    Fft(v);

    pOut->rBinHz = static_cast<double>(uRate) / static_cast<double>(n);
    pOut->vDb.resize(n / 2 + 1);
    for (size_t k = 0; k <= n / 2; k++) {
        // A sine of amplitude A gives |X| = A * windowSum / 2 in its bin.
        const double amplitude = 2.0 * std::abs(v[k]) / windowSum;
        const double db = amplitude > 0.0 ? 20.0 * std::log10(amplitude / kFullScaleAmplitude) : -1e9;
        pOut->vDb[k] = static_cast<float>(std::max<double>(db, SCOPE_SPECTRUM_FLOOR_DB));
        if (k > 0 && pOut->vDb[k] > pOut->fPeakDb) {
            pOut->fPeakDb = pOut->vDb[k];
            pOut->rPeakHz = static_cast<double>(k) * pOut->rBinHz;
        }
    }
}

std::string ScopePeakText(const ScopeSpectrum& spectrum)
{
    if (spectrum.vDb.empty() || spectrum.fPeakDb <= SCOPE_SPECTRUM_FLOOR_DB)
        return "";
    return Format("Peak %.1f Hz  %.0f dB", spectrum.rPeakHz, spectrum.fPeakDb);
}
