// The units of the scope stream as functions on bytes: ASCII sample frames,
// binary block headers and samples, measurement records, and the WAV value
// of a sample. Nothing here touches the port, a window or shared state, so
// every function can be called on any bytes (tests, fuzzers).
//
// The stream after "scopemode" is a sequence of lines ending with LF, except
// that a binary block is completed to the length its header announces:
//   ASCII frame (firmware below 2.82): "ACQ;PART", one skipped field, then
//     exactly 1000 decimal values separated by ';' (channel 0, channel 1,
//     ...), 0.5 s at 1000 samples per second per channel.
//   Binary block (2.82 and later): "ACQ;BLK;", offset (u16 LE, logged
//     only), payload size (u16 LE), 2000 u16 LE samples (channels
//     alternating, 0.5 s at 2000 Hz), then two end bytes, the last one LF.
//   Measurement records: "RAIN", "FLUX;", "WIND;" and, in binary mode only,
//     "HAIL;" lines; field 2 is the unit, field 4 the value.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr unsigned SCOPE_DISPLAY_SIZE = 10000;   // display buffer entries, channels alternating
constexpr unsigned SCOPE_BLOC_SIZE = 2000;       // WAV block entries of one frame
constexpr unsigned SCOPE_LINE_SIZE = 8192;       // the receive thread's line buffer, bytes
constexpr unsigned SCOPE_LABEL_SIZE = 4096;      // a plot label, bytes with the terminator

constexpr unsigned SCOPE_ASCII_VALUES = 1000;    // values of one ASCII frame (500 pairs)
constexpr unsigned SCOPE_ASCII_RATE = 1000;      // samples per second per channel, ASCII mode
constexpr unsigned SCOPE_BLOCK_SAMPLES = 2000;   // samples of one binary block (1000 pairs)
constexpr unsigned SCOPE_BINARY_RATE = 2000;     // samples per second per channel, binary mode
constexpr unsigned SCOPE_BLOCK_HEADER = 12;      // tag, offset, payload size
constexpr unsigned SCOPE_BLOCK_TRAILER = 2;      // the end bytes after the payload
// Bytes of a block that carries its 2000 samples.
constexpr unsigned SCOPE_BLOCK_MIN_FILLED = SCOPE_BLOCK_HEADER + 2 * SCOPE_BLOCK_SAMPLES;

constexpr char SCOPE_ASCII_TAG[] = "ACQ;PART";
constexpr char SCOPE_BLOCK_TAG[] = "ACQ;BLK;";
constexpr size_t SCOPE_TAG_LENGTH = 8;

// --- ASCII frames ---------------------------------------------------------

enum AsciiFrameResult {
    ASCII_FRAME_OK = 0,       // exactly 1000 values
    ASCII_FRAME_BAD,          // no ';' at or after the tenth character: "Bad frame !"
    ASCII_FRAME_INCOMPLETE,   // another count: "Incomplet buffer received"
};

struct AsciiFrame {
    int32_t vValues[SCOPE_ASCII_VALUES];
    unsigned uTaken = 0;    // values stored in vValues, in received order
    int nStopIndex = 0;     // 0-based index at which reading stopped; 999 when complete
};

// The line begins with "ACQ;PART".
bool ScopeIsAsciiFrame(const char* pLine, size_t uLength);

// Parses the frame in pLine (uLength bytes, the line end already removed;
// zero bytes inside are ordinary characters). The field after the tag is
// skipped: values start after the first ';' at or after index 9. Up to 1000
// values are taken; the value not followed by ';' is the last. Each value is
// read as a decimal integer (leading blanks and a sign accepted, anything
// after the digits ignored, saturated to 32 bits).
AsciiFrameResult ScopeParseAsciiFrame(const char* pLine, size_t uLength, AsciiFrame* pFrame);

// --- Binary blocks -----------------------------------------------------------

struct BlockHeader {
    unsigned uOffset = 0;        // logged only
    unsigned uPayloadSize = 0;   // bytes announced after the header
    unsigned uFrameSize = 0;     // whole block: payload + 14
};

// The bytes begin with "ACQ;BLK;".
bool ScopeIsBlock(const uint8_t* pBytes, size_t uLength);

// Reads the header of a block (at least 12 bytes); false when shorter.
bool ScopeParseBlockHeader(const uint8_t* pBytes, size_t uLength, BlockHeader* pHeader);

constexpr unsigned SCOPE_SAMPLE_MAX = 4095;   // largest 12-bit reading

// What ScopeCheckBlock found in a block.
enum BlockCheck {
    BLOCK_WHOLE = 0,    // all announced bytes, the LF at the frame's end, every sample a 12-bit reading
    BLOCK_SHORT,        // fewer bytes than header, payload and end bytes
    BLOCK_BAD_END,      // the frame's last byte is not the LF: its bytes are not one block
    BLOCK_BAD_SAMPLE,   // a payload value above 4095
};

// Checks the first header + payload + 2 bytes of a block: a block that came
// short and was completed from the bytes that followed (the next block,
// a record) fails here rather than giving foreign bytes as samples.
BlockCheck ScopeCheckBlock(const uint8_t* pBytes, size_t uLength);

// Log text of a check result ("short", "no line feed at its end", ...).
const char* ScopeBlockCheckText(BlockCheck nCheck);

// The 2000 samples from byte 12 on (a longer payload gives its first 2000);
// false, nothing stored, when the payload size announces fewer than 4000
// bytes or ScopeCheckBlock does not find the block whole, so a short block
// is never filled from its end bytes, stale bytes or the next block.
bool ScopeBlockSamples(const uint8_t* pBytes, size_t uLength, uint16_t* pSamples);

// --- Measurement records -------------------------------------------------------

enum RecordKind {
    RECORD_NONE = 0,   // not a record, or fewer than six fields: changes nothing
    RECORD_MEASURE,    // RAIN, FLUX or HAIL: value and unit for the first label
    RECORD_WIND,       // WIND: the second label goes back to its base text
};

struct ScopeRecord {
    const char* pUnit = nullptr;    // field 2, inside the parsed line
    size_t uUnitLength = 0;
    const char* pValue = nullptr;   // field 4, inside the parsed line
    size_t uValueLength = 0;
};

// Recognises a record by its beginning ("RAIN" by its first 4 characters,
// "FLUX;", "WIND;", and "HAIL;" only when bBinary) and finds its unit and
// value. A record needs six fields: a ';' after field 4.
RecordKind ScopeParseRecord(const char* pLine, size_t uLength, bool bBinary, ScopeRecord* pRecord);

// The first label after a measurement record: "%s  :  %s %s" with the base
// label, the value and the unit, cut to uSize - 1 bytes.
void ScopeFormatMeasureLabel(char* szLabel, size_t uSize, const char* szBase, const ScopeRecord& record);

// --- Values ----------------------------------------------------------------------

// Decimal integer at p (before end): leading blanks, an optional sign, the
// digits; stops at the first other character; no digits give 0; saturates
// at the int32 range.
int32_t ScopeParseDecimal(const char* p, const char* pEnd);

// WAV value of a reading: (v / 4095) * 65535 - 32767 in single precision,
// truncated toward zero, limited to -32767..32767. 0 gives -32767, 4095
// gives 32767; the midpoint 2047.5 gives 0 (2048 gives 8).
int16_t ScopeWavValue(int32_t nValue);

// A firmware version text as a number: leading blanks, an optional sign,
// digits with an optional decimal point (independent of the locale); no
// number gives 0.
float ScopeParseVersion(const char* szText);
