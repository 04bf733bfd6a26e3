#include "logger_stream.h"

#include <cmath>
#include <cstdio>

#include "params.h"

namespace varnsim {
namespace {

// Field bits each kind records: primary statistics (0-4), wind (5-7), hail
// counts (8-10), drop or stone count (11), size classes (12).
int KindFields(unsigned kind)
{
    switch (kind) {
    case kKorvalin:
    case kDuvikorn:
        return 0xFF;
    case kMestralo:
        return 0x1F1F;
    case kGrestolv:
        return 0x181F;
    case kPalvetra:
        return 0xE0;
    default:
        return 0;
    }
}

constexpr int kSizeClasses = 8;
// Records start on 2024-03-01 00:00:00.
constexpr long long kFirstRecordDays = 19783;

uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A repeatable number in [0, 1) for record k and a salt.
double Unit(int k, int salt)
{
    return static_cast<double>(Mix(static_cast<uint64_t>(k) * 131 + static_cast<uint64_t>(salt)) >> 11) / 9007199254740992.0;
}

std::string DateTime(long long seconds)
{
    long long days = seconds / 86400;
    const long long rest = seconds % 86400;
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    days += 719468;
    const long long era = days / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", year, month, day, rest / 3600,
                  rest / 60 % 60, rest % 60);
    return text;
}

std::string Number(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

LoggerStream::LoggerStream(unsigned kind, int fieldMask, int records, int intervalSeconds, LoggerFaultSpec fault)
    : kind_(kind), fields_(fieldMask & KindFields(kind)), records_(records < 0 ? 0 : records),
      interval_(intervalSeconds > 0 ? intervalSeconds : 600), fault_(fault)
{
}

std::string LoggerStream::Heading() const
{
    std::string quantity = "Flux", unit = "g/m2/s", cumUnit = "g/m2";
    if (kind_ == kMestralo) {
        quantity = "Rain";
        unit = "mm/h";
        cumUnit = "mm";
    } else if (kind_ == kGrestolv) {
        quantity = "Hail";
        unit = "hit/s";
        cumUnit = "hit";
    }
    const std::string names[] = {
        quantity + " min (" + unit + ")", quantity + " avg (" + unit + ")", quantity + " max (" + unit + ")",
        quantity + " std (" + unit + ")", quantity + " cum (" + cumUnit + ")", "Wind min (km/h)", "Wind avg (km/h)",
        "Wind max (km/h)", "Hailstone count (hit)", "Hail mean rate (hit/s)", "Hail max rate (hit/s)",
        kind_ == kGrestolv ? "Hailstone count (hit)" : "Drop count (hit)",
    };
    std::string line = "#Record;Date";
    for (int bit = 0; bit < 12; ++bit)
        if (fields_ & (1 << bit))
            line.append(";").append(names[bit]);
    if (fields_ & (1 << 12))
        for (int c = 1; c <= kSizeClasses; ++c)
            line.append(";Class ").append(std::to_string(c) + " (%)");
    return line;
}

std::string LoggerStream::Record(int k) const
{
    // Weather comes in episodes: a slow wave over about a day, cubed so that
    // most records are calm and a few carry the events.
    const double phase = 2 * M_PI * (static_cast<double>(k) * interval_ / 86400.0) + Unit(k / 50, 7);
    const double wave = std::max(0.0, std::sin(phase));
    const double event = wave * wave * wave * (0.5 + Unit(k, 1));
    const double scale = kind_ == kMestralo ? 20.0 : kind_ == kGrestolv ? 8.0 : 0.8;  // mm/h, hit/s, g/m2/s
    const int decimals = kind_ == kGrestolv ? 2 : kind_ == kMestralo ? 2 : 4;

    const double avg = event * scale;
    const double min = avg * (0.2 + 0.5 * Unit(k, 2));
    const double max = avg * (1.2 + Unit(k, 3));
    const double std = (max - min) / 4;
    const double cum = kind_ == kMestralo ? avg * interval_ / 3600.0 : avg * interval_;
    const double windAvg = 8 + 14 * (0.5 + 0.5 * std::sin(phase * 0.7)) + 4 * Unit(k, 4);
    const double windMin = windAvg * (0.3 + 0.3 * Unit(k, 5));
    const double windMax = windAvg * (1.3 + 0.6 * Unit(k, 6));
    const long long stones = kind_ == kGrestolv || kind_ == kMestralo
                                 ? static_cast<long long>(std::floor(event * 400 * Unit(k, 8)))
                                 : 0;
    const double stoneRate = static_cast<double>(stones) / interval_;
    const long long drops = static_cast<long long>(std::floor(avg * 900 * (0.8 + 0.4 * Unit(k, 9))));

    const std::string values[] = {
        Number(min, decimals), Number(avg, decimals), Number(max, decimals), Number(std, decimals),
        Number(cum, decimals), Number(windMin, 1), Number(windAvg, 1), Number(windMax, 1),
        std::to_string(stones), Number(stoneRate, 3), Number(stoneRate * (2 + 3 * Unit(k, 10)), 3),
        std::to_string(kind_ == kGrestolv ? stones : drops),
    };
    std::string line = std::to_string(k) + ";" + DateTime((kFirstRecordDays * 86400) + static_cast<long long>(k) * interval_);
    for (int bit = 0; bit < 12; ++bit)
        if (fields_ & (1 << bit))
            line.append(";").append(values[bit]);
    if (fields_ & (1 << 12)) {
        // Percentages of the size classes, smaller classes more frequent,
        // summing to 100 (0 everywhere without any drop).
        int left = avg > 0 ? 100 : 0;
        for (int c = 1; c <= kSizeClasses; ++c) {
            const int share = c == kSizeClasses ? left : static_cast<int>(left * (0.35 + 0.2 * Unit(k, 20 + c)));
            left -= share;
            line.append(";").append(std::to_string(share));
        }
    }
    return line;
}

bool LoggerStream::Next(std::string& out)
{
    if (ended_ || next_ > records_) {
        ended_ = true;
        return false;
    }
    int k = next_++;
    if (fault_.fault == LoggerFault::SkipRecord && k == fault_.record && k >= 1) {
        if (next_ > records_) {
            ended_ = true;
            return false;
        }
        k = next_++;
    }
    std::string line = k == 0 ? Heading() : Record(k);
    if (k == fault_.record) {
        switch (fault_.fault) {
        case LoggerFault::NoSeparator:
            for (char& c : line)
                if (c == ';')
                    c = ' ';
            break;
        case LoggerFault::CutRecord:
            // The first half of the line, without its end.
            line.resize(line.size() / 2);
            out += line;
            ended_ = true;
            return true;
        case LoggerFault::StopAfter:
            ended_ = true;
            break;
        default:
            break;
        }
    }
    out += line;
    out += "\r\n";
    return true;
}

} // namespace varnsim
