// The sensor's bootloader: binary command frames after MAGIC, fixed-length
// little-endian answers that begin with a status byte, firmware upload in
// CRC-protected blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "line_pacer.h"

namespace varnsim {

// Command codes, first byte of every frame.
enum BootCommand : uint8_t {
    kMagic = 0xA1,        // answered '!' when the bootloader listens
    kGetVersion = 0xC1,   // status, length (LE16), then the text when ok
    kGetUniqueId = 0xC2,  // status, three LE32 words W1 W2 W3
    kGetFlashSize = 0xC3, // status, LE32 bytes
    kGetFreeFlash = 0xC4, // status, LE32 bytes
    kBeginUpload = 0xC5,  // + LE32 image size; status
    kDataBlock = 0xC7,    // + LE16 n (1..256), n bytes, CRC-16 low byte first; status
    kEndOfData = 0xC8,    // status: the whole announced size came
    kExit = 0xC9,         // status; then the application starts
};

// Status bytes.
enum BootStatus : uint8_t {
    kOk = 0x21,               // '!'
    kBadCommand = 0x31,       // '1'
    kInvalidArgument = 0x32,  // '2'
    kBadCrc = 0x33,           // '3'
    kFlashError = 0x34,       // '4'
    kInvalidState = 0x35,     // '5'
    kTimeout = 0x36,          // '6': a frame stopped halfway
    kBadSize = 0x37,          // '7': transfer size wrong or exceeded
};

// The largest DATA_BLOCK payload.
inline constexpr int kMaxBlock = 256;

// The version an image carries: "ELI" 16 bytes before the first "Copyright",
// the version text ("major.minor") 8 bytes before it. Formatted "%u.%02u";
// false when the image has no such stamp.
bool ImageVersion(const std::vector<uint8_t>& image, std::string* version);

// Not thread-safe; the device serialises calls.
class Bootloader {
public:
    struct Identity {
        std::string version;
        uint32_t words[3] = {0, 0, 0};  // W1, W2, W3 as sent
        uint32_t flashSize = 0;
        uint32_t freeFlash = 0;
    };

    enum class Event { None, Exit, Flashed };

    explicit Bootloader(Identity identity) : id_(std::move(identity)) {}

    // A fresh start after power-up: forgets a transfer and a hang.
    void Reset();
    // One byte from the line; answers are appended to out.
    Event Feed(uint8_t byte, TimePoint now, std::string& out);
    // Ends a frame that stopped halfway with kTimeout.
    void Advance(TimePoint now, std::string& out);
    // When Advance has something to do; TimePoint::max() when nothing.
    TimePoint Deadline() const;

    // The answer to MAGIC, also before the bootloader has started.
    uint8_t MagicReply() const { return magicReply_; }

    const std::vector<uint8_t>& Image() const { return image_; }

    // Faults.
    void SetMagicReply(uint8_t reply) { magicReply_ = reply; }
    void FailFrame(uint8_t code, int occurrence, uint8_t status);
    void SilenceAfterBlocks(int blocks) { silenceAfter_ = blocks; }
    void ClearFaults();

private:
    Event Execute(TimePoint now, std::string& out);
    void Answer(uint8_t code, uint8_t status, std::string& out) const;

    Identity id_;
    std::vector<uint8_t> frame_;
    size_t need_ = 0;             // length of the frame being received
    TimePoint lastByte_{};
    TimePoint resyncUntil_{};     // bytes before this are dropped (after a bad length)
    bool uploading_ = false;
    uint32_t expected_ = 0;
    std::vector<uint8_t> received_;
    int blocksAcked_ = 0;
    bool hung_ = false;
    std::vector<uint8_t> image_;

    uint8_t magicReply_ = kOk;
    uint8_t failCode_ = 0;
    int failOccurrence_ = 0;      // 0: no fault
    int failCount_ = 0;
    uint8_t failStatus_ = 0;
    int silenceAfter_ = -1;
};

} // namespace varnsim
