// The stream's units as bytes: ASCII frames, block headers and samples,
// measurement records and their labels, WAV values and version numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "scope_parse.h"

namespace {

// "ACQ;PART;7;" followed by n values 0, 1, 2, ...
std::string AsciiFrameText(int n, const std::string& field = "7")
{
    std::string line = "ACQ;PART;" + field + ";";
    for (int i = 0; i < n; i++)
        line += (i ? ";" : "") + std::to_string(i);
    return line;
}

AsciiFrameResult Parse(const std::string& line, AsciiFrame* frame)
{
    return ScopeParseAsciiFrame(line.data(), line.size(), frame);
}

TEST(AsciiFrame, TakesExactlyOneThousandValuesAfterTheSkippedField)
{
    AsciiFrame frame;
    ASSERT_EQ(Parse(AsciiFrameText(1000), &frame), ASCII_FRAME_OK);
    EXPECT_EQ(frame.uTaken, 1000u);
    EXPECT_EQ(frame.nStopIndex, 999);
    EXPECT_EQ(frame.vValues[0], 0);
    EXPECT_EQ(frame.vValues[999], 999);

    // The character after the tag is skipped, then everything to the next ';'.
    ASSERT_EQ(Parse("ACQ;PART1" + AsciiFrameText(1000).substr(9), &frame), ASCII_FRAME_OK);
    ASSERT_EQ(Parse(AsciiFrameText(1000, "x;y"), &frame), ASCII_FRAME_INCOMPLETE);   // "y" became a value
    EXPECT_EQ(frame.uTaken, 1000u);
}

TEST(AsciiFrame, ReportsWhereAnIncompleteFrameStoppedAndKeepsItsValues)
{
    AsciiFrame frame;
    ASSERT_EQ(Parse(AsciiFrameText(999), &frame), ASCII_FRAME_INCOMPLETE);
    EXPECT_EQ(frame.nStopIndex, 998);
    EXPECT_EQ(frame.uTaken, 999u);
    EXPECT_EQ(frame.vValues[998], 998);

    ASSERT_EQ(Parse(AsciiFrameText(1001), &frame), ASCII_FRAME_INCOMPLETE);
    EXPECT_EQ(frame.nStopIndex, 1000);
    EXPECT_EQ(frame.uTaken, 1000u);

    // A trailing ';' announces one more (empty) value.
    ASSERT_EQ(Parse(AsciiFrameText(1000) + ";", &frame), ASCII_FRAME_INCOMPLETE);
    ASSERT_EQ(Parse("ACQ;PART;7;", &frame), ASCII_FRAME_INCOMPLETE);
    EXPECT_EQ(frame.nStopIndex, 0);
}

TEST(AsciiFrame, WithoutTheFieldSeparatorIsBadAndNeverReadsPastTheLine)
{
    AsciiFrame frame;
    EXPECT_EQ(Parse("ACQ;PART", &frame), ASCII_FRAME_BAD);
    EXPECT_EQ(Parse("ACQ;PART;", &frame), ASCII_FRAME_BAD);       // the ';' at index 8 is the skipped character
    EXPECT_EQ(Parse("ACQ;PART;12345", &frame), ASCII_FRAME_BAD);
    // A ';' beyond the given length does not count.
    const char text[] = "ACQ;PART;12;1;2";
    EXPECT_EQ(ScopeParseAsciiFrame(text, 11, &frame), ASCII_FRAME_BAD);
    EXPECT_TRUE(ScopeIsAsciiFrame("ACQ;PART;", 9));
    EXPECT_FALSE(ScopeIsAsciiFrame("ACQ;PAR", 7));
}

TEST(Decimal, ReadsLikeTheSensorsNumbersAndSaturates)
{
    auto parse = [](const std::string& s) { return ScopeParseDecimal(s.data(), s.data() + s.size()); };
    EXPECT_EQ(parse("4095"), 4095);
    EXPECT_EQ(parse("  -12x"), -12);
    EXPECT_EQ(parse("+7\r"), 7);
    EXPECT_EQ(parse("abc"), 0);
    EXPECT_EQ(parse(""), 0);
    EXPECT_EQ(parse("99999999999999999999"), INT_MAX);
    EXPECT_EQ(parse("-99999999999999999999"), INT_MIN);
    // The end bounds the digits.
    const char digits[] = "123456";
    EXPECT_EQ(ScopeParseDecimal(digits, digits + 3), 123);
}

TEST(Block, HeaderAndSamplesLittleEndian)
{
    std::string block = "ACQ;BLK;";
    block += std::string("\x0a\x01", 2);   // offset 0x010A
    block += std::string("\xa0\x0f", 2);   // 4000
    for (int k = 0; k < 2000; k++) {
        block += static_cast<char>(k & 0xFF);
        block += static_cast<char>((k >> 8) & 0x0F);
    }
    block += "\r\n";
    const auto* bytes = reinterpret_cast<const uint8_t*>(block.data());
    ASSERT_TRUE(ScopeIsBlock(bytes, block.size()));
    BlockHeader h;
    ASSERT_TRUE(ScopeParseBlockHeader(bytes, block.size(), &h));
    EXPECT_EQ(h.uOffset, 0x010Au);
    EXPECT_EQ(h.uPayloadSize, 4000u);
    EXPECT_EQ(h.uFrameSize, 4014u);
    uint16_t samples[SCOPE_BLOCK_SAMPLES];
    ASSERT_TRUE(ScopeBlockSamples(bytes, block.size(), samples));
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[1999], 1999 & 0x0FFF);
    // A block that ends before its 2000 samples gives none, and so does one
    // whose payload is announced shorter (its end bytes would be samples).
    EXPECT_FALSE(ScopeBlockSamples(bytes, SCOPE_BLOCK_MIN_FILLED - 1, samples));
    std::string shortPayload = block;
    shortPayload[10] = static_cast<char>(0x9E);   // 3998
    EXPECT_FALSE(ScopeBlockSamples(reinterpret_cast<const uint8_t*>(shortPayload.data()), shortPayload.size(), samples));
    std::string longPayload = block.substr(0, block.size() - 2) + std::string("\x01\x02\r\n", 4);
    longPayload[10] = static_cast<char>(0xA2);    // 4002: the first 2000 samples count
    EXPECT_TRUE(ScopeBlockSamples(reinterpret_cast<const uint8_t*>(longPayload.data()), longPayload.size(), samples));
    EXPECT_EQ(samples[1999], 1999 & 0x0FFF);
    EXPECT_FALSE(ScopeParseBlockHeader(bytes, 11, &h));
    // Its end must be the line feed, and every value a 12-bit reading.
    std::string badEnd = block;
    badEnd.back() = '\r';
    EXPECT_EQ(ScopeCheckBlock(reinterpret_cast<const uint8_t*>(badEnd.data()), badEnd.size()), BLOCK_BAD_END);
    std::string wild = block;
    wild[12 + 2 * 7 + 1] = 0x10;   // sample 7 = 0x1007
    EXPECT_EQ(ScopeCheckBlock(reinterpret_cast<const uint8_t*>(wild.data()), wild.size()), BLOCK_BAD_SAMPLE);
    EXPECT_FALSE(ScopeBlockSamples(reinterpret_cast<const uint8_t*>(wild.data()), wild.size(), samples));
    EXPECT_EQ(ScopeCheckBlock(bytes, block.size() - 1), BLOCK_SHORT);
}

std::string Label(const std::string& record, bool binary, RecordKind* kind)
{
    ScopeRecord r;
    *kind = ScopeParseRecord(record.data(), record.size(), binary, &r);
    if (*kind != RECORD_MEASURE)
        return {};
    char label[SCOPE_LABEL_SIZE];
    ScopeFormatMeasureLabel(label, sizeof label, "Filtered acoustic signal ", r);
    return label;
}

TEST(Record, FluxLabelHasThreeBlanksBeforeTheColon)
{
    RecordKind kind;
    EXPECT_EQ(Label("FLUX;1;g/s;3;12;0", false, &kind), "Filtered acoustic signal   :  12 g/s");
    EXPECT_EQ(kind, RECORD_MEASURE);
    EXPECT_EQ(Label("RAIN;1;mm/h;3;2.50;0\r\n", true, &kind), "Filtered acoustic signal   :  2.50 mm/h");
    // "RAIN" is compared by its 4 letters only.
    EXPECT_EQ(Label("RAINS;1;mm/h;3;1;0", false, &kind), "Filtered acoustic signal   :  1 mm/h");
}

TEST(Record, NeedsSixFieldsAndHailOnlyInBinaryMode)
{
    RecordKind kind;
    Label("FLUX;1;g/s;3;12", false, &kind);   // no ';' after the value
    EXPECT_EQ(kind, RECORD_NONE);
    Label("HAIL;1;hit/s;3;4;0", false, &kind);
    EXPECT_EQ(kind, RECORD_NONE);
    EXPECT_EQ(Label("HAIL;1;hit/s;3;4;0", true, &kind), "Filtered acoustic signal   :  4 hit/s");
    ScopeRecord r;
    EXPECT_EQ(ScopeParseRecord("WIND;1;km/h;3;12.5;0", 20, false, &r), RECORD_WIND);
    EXPECT_EQ(ScopeParseRecord("WIND;1;km/h;3;12.5", 18, false, &r), RECORD_NONE);
    EXPECT_EQ(ScopeParseRecord("flux;1;g/s;3;12;0", 17, false, &r), RECORD_NONE);
    EXPECT_EQ(ScopeParseRecord("FLUX", 4, true, &r), RECORD_NONE);
}

TEST(Record, LongValuesAreCutToTheLabel)
{
    const std::string record = "FLUX;1;g/s;3;" + std::string(6000, '9') + ";0";
    RecordKind kind;
    const std::string label = Label(record, false, &kind);
    EXPECT_EQ(kind, RECORD_MEASURE);
    EXPECT_EQ(label.size(), SCOPE_LABEL_SIZE - 1);
}

TEST(WavValue, ScalesTwelveBitsToSixteenWithItsLimits)
{
    EXPECT_EQ(ScopeWavValue(0), -32767);
    EXPECT_EQ(ScopeWavValue(4095), 32767);     // 32768 before the limit
    EXPECT_EQ(ScopeWavValue(2048), 8);         // the formula's value: 2047.5 is the midpoint
    EXPECT_EQ(ScopeWavValue(2047), -7);        // truncated toward zero
    EXPECT_EQ(ScopeWavValue(1), -32750);
    EXPECT_EQ(ScopeWavValue(-5), -32767);
    EXPECT_EQ(ScopeWavValue(65535), 32767);
    EXPECT_EQ(ScopeWavValue(INT_MAX), 32767);
    EXPECT_EQ(ScopeWavValue(INT_MIN), -32767);
}

TEST(Version, SinglePrecisionThresholdAtTwoEightyTwo)
{
    EXPECT_LT(ScopeParseVersion("2.81"), 2.82f);
    EXPECT_FALSE(ScopeParseVersion("2.82") < 2.82f);
    EXPECT_FALSE(ScopeParseVersion(" 3.45") < 2.82f);
    EXPECT_EQ(ScopeParseVersion("junk"), 0.0f);
    EXPECT_EQ(ScopeParseVersion("3"), 3.0f);
    EXPECT_EQ(ScopeParseVersion("2.9beta"), 2.9f);
}

}  // namespace
