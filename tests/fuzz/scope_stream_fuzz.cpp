// The scope's stream parsers on any line or block: ASCII frames, block
// headers and samples, measurement records and the settings file. Nothing
// is read past the bytes given, a frame never claims more values than it
// holds, a record's fields lie inside its line.
#include <cstring>

#include "fuzz_input.h"
#include "scope_parse.h"
#include "scope_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 3);
    // Copies of exactly the segment's size, so a read past the end is seen.
    const std::string line = in.Segment(0);
    std::vector<char> bytes(line.begin(), line.end());

    AsciiFrame frame;
    const AsciiFrameResult result = ScopeParseAsciiFrame(bytes.data(), bytes.size(), &frame);
    FuzzCheck(frame.uTaken <= SCOPE_ASCII_VALUES);
    if (result == ASCII_FRAME_OK)
        FuzzCheck(frame.uTaken == SCOPE_ASCII_VALUES);

    const auto* raw = reinterpret_cast<const uint8_t*>(bytes.data());
    BlockHeader header;
    if (ScopeParseBlockHeader(raw, bytes.size(), &header))
        FuzzCheck(bytes.size() >= 12);
    std::vector<uint16_t> samples(SCOPE_BLOCK_SAMPLES + 8, 0xABCD);
    if (!ScopeBlockSamples(raw, bytes.size(), samples.data())) {
        FuzzCheck(samples[0] == 0xABCD);
    } else {
        FuzzCheck(ScopeCheckBlock(raw, bytes.size()) == BLOCK_WHOLE);
        for (unsigned k = 0; k < SCOPE_BLOCK_SAMPLES; k++)
            FuzzCheck(samples[k] <= SCOPE_SAMPLE_MAX);
    }
    FuzzCheck(samples[SCOPE_BLOCK_SAMPLES] == 0xABCD);

    ScopeRecord record;
    if (ScopeParseRecord(bytes.data(), bytes.size(), in.Flag(0), &record) == RECORD_MEASURE) {
        const char* begin = bytes.data();
        const char* end = begin + bytes.size();
        FuzzCheck(record.pUnit >= begin && record.pUnit + record.uUnitLength <= end);
        FuzzCheck(record.pValue >= begin && record.pValue + record.uValueLength <= end);
        char label[SCOPE_LABEL_SIZE];
        ScopeFormatMeasureLabel(label, sizeof label, "base", record);
        FuzzCheck(std::strlen(label) < sizeof label);
    }

    ScopeSettings settings;
    // A folder that can be written, so that the choice of the settings'
    // folder never turns to the user's own (nothing is written here).
    ScopeSettingsInit(settings, "/tmp");
    const std::string text = in.Segment(1);
    ScopeParseConfig(settings, text.data(), text.size());
    FuzzCheck(settings.nWavDuration >= 1 && settings.nWavDuration <= WAV_DURATION_MAX);
    FuzzCheck(std::strlen(settings.szWavDir) < sizeof settings.szWavDir && settings.szWavDir[0] != '\0');
    return 0;
}
