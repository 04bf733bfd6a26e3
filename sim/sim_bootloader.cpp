#include "sim_bootloader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "crc16.h"

namespace varnsim {
namespace {

// A frame that stops for this long is ended with kTimeout.
constexpr auto kFrameTimeout = std::chrono::milliseconds(1000);
// After a DATA_BLOCK with an impossible length the rest of it cannot be
// told from the next frame: input is dropped until the line is quiet.
constexpr auto kResyncQuiet = std::chrono::milliseconds(50);

void PutLe(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t GetLe(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

// Fixed answer length of each command, status byte included.
size_t AnswerLength(uint8_t code)
{
    switch (code) {
    case kGetVersion:
        return 3;
    case kGetUniqueId:
        return 13;
    case kGetFlashSize:
    case kGetFreeFlash:
        return 5;
    default:
        return 1;
    }
}

} // namespace

bool ImageVersion(const std::vector<uint8_t>& image, std::string* version)
{
    static const char kMark[] = "Copyright";
    const auto it = std::search(image.begin(), image.end(), kMark, kMark + 9);
    if (it == image.end())
        return false;
    const size_t at = static_cast<size_t>(it - image.begin());
    if (at < 16 || std::memcmp(&image[at - 16], "ELI", 3) != 0)
        return false;
    size_t i = at - 8;
    while (i < at && image[i] == ' ')
        ++i;
    auto number = [&](unsigned* out) {
        bool digits = false;
        *out = 0;
        while (i < image.size() && image[i] >= '0' && image[i] <= '9' && *out < 100000) {
            *out = *out * 10 + (image[i++] - '0');
            digits = true;
        }
        return digits;
    };
    unsigned major = 0, minor = 0;
    if (!number(&major) || i >= image.size() || image[i] != '.')
        return false;
    ++i;
    if (!number(&minor))
        return false;
    char text[32];
    std::snprintf(text, sizeof text, "%u.%02u", major, minor);
    *version = text;
    return true;
}

void Bootloader::Reset()
{
    frame_.clear();
    need_ = 0;
    uploading_ = false;
    received_.clear();
    blocksAcked_ = 0;
    hung_ = false;
    resyncUntil_ = TimePoint{};
}

void Bootloader::FailFrame(uint8_t code, int occurrence, uint8_t status)
{
    failCode_ = code;
    failOccurrence_ = occurrence;
    failCount_ = 0;
    failStatus_ = status;
}

void Bootloader::ClearFaults()
{
    magicReply_ = kOk;
    failOccurrence_ = 0;
    silenceAfter_ = -1;
}

void Bootloader::Answer(uint8_t code, uint8_t status, std::string& out) const
{
    out += static_cast<char>(status);
    out.append(AnswerLength(code) - 1, '\0');
}

Bootloader::Event Bootloader::Feed(uint8_t byte, TimePoint now, std::string& out)
{
    if (hung_)
        return Event::None;
    if (now < resyncUntil_) {
        resyncUntil_ = now + kResyncQuiet;
        return Event::None;
    }
    frame_.push_back(byte);
    lastByte_ = now;
    if (frame_.size() == 1) {
        switch (byte) {
        case kMagic:
        case kGetVersion:
        case kGetUniqueId:
        case kGetFlashSize:
        case kGetFreeFlash:
        case kEndOfData:
        case kExit:
            need_ = 1;
            break;
        case kBeginUpload:
            need_ = 5;
            break;
        case kDataBlock:
            need_ = 3;
            break;
        default:
            frame_.clear();
            out += static_cast<char>(kBadCommand);
            return Event::None;
        }
    }
    if (frame_[0] == kDataBlock && frame_.size() == 3) {
        const uint32_t n = GetLe(&frame_[1], 2);
        if (n < 1 || n > kMaxBlock) {
            frame_.clear();
            resyncUntil_ = now + kResyncQuiet;
            out += static_cast<char>(kInvalidArgument);
            return Event::None;
        }
        need_ = 3 + n + 2;
    }
    if (frame_.size() < need_)
        return Event::None;
    const Event event = Execute(now, out);
    frame_.clear();
    need_ = 0;
    return event;
}

Bootloader::Event Bootloader::Execute(TimePoint, std::string& out)
{
    const uint8_t code = frame_[0];
    if (failOccurrence_ > 0 && code == failCode_ && ++failCount_ == failOccurrence_) {
        failOccurrence_ = 0;
        Answer(code, failStatus_, out);
        return Event::None;
    }

    switch (code) {
    case kMagic:
        out += static_cast<char>(magicReply_);
        return Event::None;
    case kGetVersion:
        out += static_cast<char>(kOk);
        PutLe(out, static_cast<uint32_t>(id_.version.size()), 2);
        out += id_.version;
        return Event::None;
    case kGetUniqueId:
        out += static_cast<char>(kOk);
        for (uint32_t word : id_.words)
            PutLe(out, word, 4);
        return Event::None;
    case kGetFlashSize:
        out += static_cast<char>(kOk);
        PutLe(out, id_.flashSize, 4);
        return Event::None;
    case kGetFreeFlash:
        out += static_cast<char>(kOk);
        PutLe(out, id_.freeFlash, 4);
        return Event::None;
    case kBeginUpload: {
        const uint32_t size = GetLe(&frame_[1], 4);
        if (size == 0 || size > id_.freeFlash) {
            uploading_ = false;
            Answer(code, kBadSize, out);
            return Event::None;
        }
        uploading_ = true;
        expected_ = size;
        received_.clear();
        received_.reserve(size);
        blocksAcked_ = 0;
        out += static_cast<char>(kOk);
        return Event::None;
    }
    case kDataBlock: {
        const size_t n = frame_.size() - 5;
        const uint16_t crc = static_cast<uint16_t>(GetLe(&frame_[3 + n], 2));
        if (!uploading_) {
            Answer(code, kInvalidState, out);
        } else if (Crc16Modbus(&frame_[3], n) != crc) {
            Answer(code, kBadCrc, out);
        } else if (received_.size() + n > expected_) {
            Answer(code, kBadSize, out);
        } else {
            received_.insert(received_.end(), frame_.begin() + 3, frame_.begin() + 3 + static_cast<long>(n));
            out += static_cast<char>(kOk);
            if (++blocksAcked_ == silenceAfter_)
                hung_ = true;
        }
        return Event::None;
    }
    case kEndOfData:
        if (!uploading_) {
            Answer(code, kInvalidState, out);
            return Event::None;
        }
        uploading_ = false;
        if (received_.size() != expected_) {
            received_.clear();
            Answer(code, kBadSize, out);
            return Event::None;
        }
        image_.swap(received_);
        received_.clear();
        out += static_cast<char>(kOk);
        return Event::Flashed;
    case kExit:
        uploading_ = false;
        received_.clear();
        out += static_cast<char>(kOk);
        return Event::Exit;
    }
    return Event::None;
}

void Bootloader::Advance(TimePoint now, std::string& out)
{
    if (hung_ || frame_.empty() || now < lastByte_ + kFrameTimeout)
        return;
    Answer(frame_[0], kTimeout, out);
    frame_.clear();
    need_ = 0;
}

TimePoint Bootloader::Deadline() const
{
    if (hung_ || frame_.empty())
        return TimePoint::max();
    return lastByte_ + kFrameTimeout;
}

} // namespace varnsim
