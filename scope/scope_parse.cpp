#include "scope_parse.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t ASCII_FIELD_START = 9;   // the skipped field runs from here to its ';'

// One record tag: its text, how many characters are compared, and whether
// it counts in ASCII mode.
struct RecordTag {
    const char* szTag;
    size_t uCompare;
    RecordKind nKind;
    bool bBinaryOnly;
};

// "RAIN" is compared without its ';', as the sensor's older firmware sends it.
const RecordTag tRecordTags[] = {
    {"RAIN;", 4, RECORD_MEASURE, false},
    {"FLUX;", 5, RECORD_MEASURE, false},
    {"WIND;", 5, RECORD_WIND, false},
    {"HAIL;", 5, RECORD_MEASURE, true},
};

const char* FindByte(const char* p, const char* pEnd, char c)
{
    if (p >= pEnd)
        return nullptr;
    return static_cast<const char*>(std::memchr(p, c, static_cast<size_t>(pEnd - p)));
}

unsigned ReadU16(const uint8_t* p)
{
    return static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8);
}

bool StartsWith(const void* pBytes, size_t uLength, const char* szTag, size_t uTagLength)
{
    return uLength >= uTagLength && std::memcmp(pBytes, szTag, uTagLength) == 0;
}

}  // namespace

int32_t ScopeParseDecimal(const char* p, const char* pEnd)
{
    while (p < pEnd && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r'))
        p++;
    bool negative = false;
    if (p < pEnd && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        p++;
    }
    long long value = 0;
    while (p < pEnd && *p >= '0' && *p <= '9') {
        if (value <= static_cast<long long>(INT_MAX) + 1)
            value = value * 10 + (*p - '0');
        p++;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int32_t>(value);
}

int16_t ScopeWavValue(int32_t nValue)
{
    const float w = (static_cast<float>(nValue) / 4095.0f) * 65535.0f - 32767.0f;
    // Limit before converting: a wild reading must not overflow the integer.
    if (w <= -32767.0f)
        return -32767;
    if (w >= 32767.0f)
        return 32767;
    return static_cast<int16_t>(static_cast<int>(w));
}

float ScopeParseVersion(const char* szText)
{
    const char* p = szText;
    while (*p == ' ' || *p == '\t')
        p++;
    if (*p == '+')
        p++;
    double value = 0;
    const auto result = std::from_chars(p, p + std::strlen(p), value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return 0.0f;
    return static_cast<float>(value);
}

bool ScopeIsAsciiFrame(const char* pLine, size_t uLength)
{
    return StartsWith(pLine, uLength, SCOPE_ASCII_TAG, SCOPE_TAG_LENGTH);
}

AsciiFrameResult ScopeParseAsciiFrame(const char* pLine, size_t uLength, AsciiFrame* pFrame)
{
    pFrame->uTaken = 0;
    pFrame->nStopIndex = 0;
    const char* end = pLine + uLength;
    const char* field = uLength > ASCII_FIELD_START ? FindByte(pLine + ASCII_FIELD_START, end, ';') : nullptr;
    if (field == nullptr)
        return ASCII_FRAME_BAD;
    const char* p = field + 1;
    int i = 0;
    for (; i < static_cast<int>(SCOPE_ASCII_VALUES); i++) {
        pFrame->vValues[i] = ScopeParseDecimal(p, end);
        pFrame->uTaken = static_cast<unsigned>(i) + 1;
        const char* next = FindByte(p, end, ';');
        if (next == nullptr)
            break;
        p = next + 1;
    }
    pFrame->nStopIndex = i;
    return i == static_cast<int>(SCOPE_ASCII_VALUES) - 1 ? ASCII_FRAME_OK : ASCII_FRAME_INCOMPLETE;
}

bool ScopeIsBlock(const uint8_t* pBytes, size_t uLength)
{
    return StartsWith(pBytes, uLength, SCOPE_BLOCK_TAG, SCOPE_TAG_LENGTH);
}

bool ScopeParseBlockHeader(const uint8_t* pBytes, size_t uLength, BlockHeader* pHeader)
{
    if (uLength < SCOPE_BLOCK_HEADER)
        return false;
    pHeader->uOffset = ReadU16(pBytes + 8);
    pHeader->uPayloadSize = ReadU16(pBytes + 10);
    pHeader->uFrameSize = pHeader->uPayloadSize + SCOPE_BLOCK_HEADER + SCOPE_BLOCK_TRAILER;
    return true;
}

BlockCheck ScopeCheckBlock(const uint8_t* pBytes, size_t uLength)
{
    BlockHeader header;
    if (!ScopeParseBlockHeader(pBytes, uLength, &header) || uLength < header.uFrameSize)
        return BLOCK_SHORT;
    if (pBytes[header.uFrameSize - 1] != '\n')
        return BLOCK_BAD_END;
    const uint8_t* payload = pBytes + SCOPE_BLOCK_HEADER;
    for (unsigned i = 0; i + 1 < header.uPayloadSize; i += 2) {
        if (ReadU16(payload + i) > SCOPE_SAMPLE_MAX)
            return BLOCK_BAD_SAMPLE;
    }
    return BLOCK_WHOLE;
}

const char* ScopeBlockCheckText(BlockCheck nCheck)
{
    switch (nCheck) {
    case BLOCK_WHOLE:
        return "whole";
    case BLOCK_SHORT:
        return "short";
    case BLOCK_BAD_END:
        return "no line feed at its end";
    case BLOCK_BAD_SAMPLE:
        return "a sample above 4095";
    }
    return "bad";
}

bool ScopeBlockSamples(const uint8_t* pBytes, size_t uLength, uint16_t* pSamples)
{
    // The samples must lie inside the announced payload and inside what came:
    // a shorter block would give its end bytes, or stale bytes, as samples.
    if (uLength < SCOPE_BLOCK_MIN_FILLED || ReadU16(pBytes + 10) < 2 * SCOPE_BLOCK_SAMPLES ||
        ScopeCheckBlock(pBytes, uLength) != BLOCK_WHOLE)
        return false;
    const uint8_t* p = pBytes + SCOPE_BLOCK_HEADER;
    for (unsigned k = 0; k < SCOPE_BLOCK_SAMPLES; k++)
        pSamples[k] = static_cast<uint16_t>(ReadU16(p + 2 * k));
    return true;
}

RecordKind ScopeParseRecord(const char* pLine, size_t uLength, bool bBinary, ScopeRecord* pRecord)
{
    RecordKind kind = RECORD_NONE;
    for (const RecordTag& tag : tRecordTags) {
        if ((!tag.bBinaryOnly || bBinary) && StartsWith(pLine, uLength, tag.szTag, tag.uCompare)) {
            kind = tag.nKind;
            break;
        }
    }
    if (kind == RECORD_NONE)
        return RECORD_NONE;
    // Fields 0 to 4 each end with ';'.
    const char* end = pLine + uLength;
    const char* start[5];
    const char* p = pLine;
    for (int f = 0; f < 5; f++) {
        start[f] = p;
        const char* sep = FindByte(p, end, ';');
        if (sep == nullptr)
            return RECORD_NONE;
        p = sep + 1;
    }
    const char* valueEnd = p - 1;
    pRecord->pUnit = start[2];
    pRecord->uUnitLength = static_cast<size_t>(start[3] - 1 - start[2]);
    pRecord->pValue = start[4];
    pRecord->uValueLength = static_cast<size_t>(valueEnd - start[4]);
    return kind;
}

void ScopeFormatMeasureLabel(char* szLabel, size_t uSize, const char* szBase, const ScopeRecord& record)
{
    if (uSize == 0)
        return;
    std::snprintf(szLabel, uSize, "%s  :  %.*s %.*s", szBase, static_cast<int>(record.uValueLength),
                  record.pValue, static_cast<int>(record.uUnitLength), record.pUnit);
}
