#include "scope_stream.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "params.h"

namespace varnsim {
namespace {

constexpr int kMid = 2048;
constexpr int kAmplitude = 1800;
constexpr int kNoise = 300;          // channel 1 differs by up to this much
constexpr int kMaxReading = 4095;
constexpr int kOversizedPayload = 9000;
constexpr int kNewlineSample = 0x0A0A;   // both bytes are LF

uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

void PutU16(std::string& out, unsigned v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

int PairsPerFrame(bool binary)
{
    return (binary ? ScopeStream::kBinaryRate : ScopeStream::kAsciiRate) * ScopeStream::kFrameMs / 1000;
}

// The frame's samples in sending order: channel 0, channel 1, channel 0, ...
std::vector<int> FrameSamples(int k, bool binary)
{
    const int pairs = PairsPerFrame(binary);
    const int rate = binary ? ScopeStream::kBinaryRate : ScopeStream::kAsciiRate;
    const uint64_t first = static_cast<uint64_t>(k - 1) * static_cast<uint64_t>(pairs);
    std::vector<int> samples;
    samples.reserve(static_cast<size_t>(pairs) * 2 + 2);
    for (int i = 0; i < pairs; ++i) {
        samples.push_back(ScopeStream::Sample(0, first + static_cast<uint64_t>(i), rate));
        samples.push_back(ScopeStream::Sample(1, first + static_cast<uint64_t>(i), rate));
    }
    return samples;
}

std::string AsciiFrame(int k, const std::vector<int>& samples)
{
    std::string line = "ACQ;PART;" + std::to_string(k);
    for (int v : samples)
        line.append(";").append(std::to_string(v));
    return line + "\r\n";
}

std::string BinaryBlock(unsigned offset, const std::vector<int>& samples, size_t payloadBytes)
{
    std::string block = "ACQ;BLK;";
    PutU16(block, offset & 0xFFFF);
    PutU16(block, static_cast<unsigned>(payloadBytes));
    for (size_t i = 0; i < payloadBytes / 2; ++i)
        PutU16(block, static_cast<unsigned>(samples[i % samples.size()]));
    return block + "\r\n";
}

std::string Garbage(bool binary)
{
    std::string lines = "\x01\x02\x7f line noise ###\r\n";
    lines += "FLUX;1;g/m2/s\r\n";      // a record without its value
    lines += "ACQ;BL\r\n";             // half a tag
    lines += std::string("\x00\xff\x0d\x80 \x1b[0m", 8) + "\r\n";
    if (!binary)
        lines += "HAIL;1;hit/s;3;9.99;0\r\n";   // not a record before 2.82
    return lines;
}

} // namespace

ScopeStream::ScopeStream(unsigned kind, bool binary, TimePoint start, ScopeFaultSpec fault)
    : kind_(kind), binary_(binary), start_(start), fault_(fault)
{
}

int ScopeStream::Sample(int channel, uint64_t index, int rate)
{
    const double t = static_cast<double>(index) / rate;
    const int clean = kMid + static_cast<int>(std::lround(kAmplitude * std::sin(2 * M_PI * kSignalHz * t)));
    if (channel == 0)
        return std::clamp(clean, 0, kMaxReading);
    const int noise = static_cast<int>(Mix(index) % (2 * kNoise + 1)) - kNoise;
    return std::clamp(clean + noise, 0, kMaxReading);
}

std::string ScopeStream::Frame(int k, bool binary)
{
    const std::vector<int> samples = FrameSamples(k, binary);
    return binary ? BinaryBlock(static_cast<unsigned>(k), samples, samples.size() * 2) : AsciiFrame(k, samples);
}

std::string ScopeStream::Records(unsigned kind, int k)
{
    if (k % kRecordEvery != 0)
        return {};
    const int n = k / kRecordEvery;
    const double level = 0.5 + 0.5 * std::sin(n * 0.7);
    char text[160];
    std::string records;
    auto add = [&](const char* tag, const char* unit, const char* format, double value) {
        char number[32];
        std::snprintf(number, sizeof number, format, value);
        std::snprintf(text, sizeof text, "%s;%d;%s;3;%s;0\r\n", tag, n, unit, number);
        records += text;
    };
    if (kind & kFluxKinds)
        add("FLUX", "g/m2/s", "%.4f", 0.05 * level);
    if (kind & kMestralo)
        add("RAIN", "mm/h", "%.2f", 20 * level);
    if (kind & kGrestolv)
        add("HAIL", "hit/s", "%.2f", 8 * level);
    if (kind & kWindKinds)
        add("WIND", "km/h", "%.1f", 8 + 14 * level);
    return records;
}

TimePoint ScopeStream::Ready() const
{
    return start_ + std::chrono::milliseconds(static_cast<long long>(next_) * kFrameMs);
}

std::string ScopeStream::MakeFrame(int k) const
{
    if (fault_.frame != k || fault_.fault == ScopeFault::None)
        return Frame(k, binary_);
    std::vector<int> samples = FrameSamples(k, binary_);
    const ScopeFault f = fault_.fault;
    if (!binary_) {
        if (f == ScopeFault::ShortFrame)
            samples.pop_back();
        else if (f == ScopeFault::LongFrame)
            samples.push_back(samples.front());
        return AsciiFrame(k, samples);
    }
    size_t payload = samples.size() * 2;
    unsigned offset = static_cast<unsigned>(k);
    switch (f) {
    case ScopeFault::ShortFrame: payload -= 2; break;
    case ScopeFault::LongFrame: payload += 2; break;
    case ScopeFault::OversizedPayload: payload = kOversizedPayload; break;
    case ScopeFault::NewlineInPayload:
        offset = kNewlineSample;
        samples[0] = samples[1] = kNewlineSample;
        break;
    default: break;
    }
    return BinaryBlock(offset, samples, payload);
}

bool ScopeStream::Next(std::string& out)
{
    if (hangUp_)
        return false;
    const int k = next_++;
    if (fault_.fault == ScopeFault::Garbage && fault_.frame == k)
        out += Garbage(binary_);
    out += MakeFrame(k);
    out += Records(kind_, k);
    if (fault_.fault == ScopeFault::HangUp && fault_.frame == k)
        hangUp_ = true;
    return true;
}

} // namespace varnsim
