// The install script reader, on bytes.
#include <gtest/gtest.h>

#include <string>

#include "script_reader.h"

namespace {

std::vector<ScriptEntry> Read(const std::string& sBytes)
{
    return ScriptReadAll(sBytes.data(), sBytes.size());
}

}  // namespace

TEST(ScriptReader, ReadsTheExampleWithLineNumbersCountingEveryLine)
{
    const auto e = Read("; update 1.61\r\n"
                        "[VARN-UPDATE-INSTALL]\r\n"
                        "\r\n"
                        "INSTALL=VARN-Config|VARN-Config\r\n"
                        "INSTALL=Docs\\VARN-UserGuide.pdf|Docs\\VARN-UserGuide.pdf\r\n"
                        "DELETE=old.dll");   // last line without a line end
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].nKind, SCRIPT_INSTALL);
    EXPECT_EQ(e[0].uLine, 4u);
    EXPECT_EQ(e[0].sSource, "VARN-Config");
    EXPECT_EQ(e[0].sDest, "VARN-Config");
    EXPECT_EQ(e[1].sSource, "Docs\\VARN-UserGuide.pdf");
    EXPECT_EQ(e[2].nKind, SCRIPT_DELETE);
    EXPECT_EQ(e[2].uLine, 6u);
    EXPECT_EQ(e[2].sArg, "old.dll");
}

TEST(ScriptReader, SplitsAtTheFirstSeparatorsAndTrimsNothing)
{
    const auto e = Read("[VARN-UPDATE-INSTALL]\nINSTALL=a=b|c|d\nDELETE= x \nINSTALL=|\n");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].sName, "INSTALL");
    EXPECT_EQ(e[0].sArg, "a=b|c|d");
    EXPECT_EQ(e[0].sSource, "a=b");
    EXPECT_EQ(e[0].sDest, "c|d");
    EXPECT_EQ(e[1].sArg, " x ");
    EXPECT_EQ(e[2].sSource, "");
    EXPECT_EQ(e[2].sDest, "");
}

TEST(ScriptReader, UnknownAndDifferentlyCasedNamesAreUnknown)
{
    const auto e = Read("[VARN-UPDATE-INSTALL]\ninstall=a|b\nINSTALL =a|b\nRUN=x\n=\n");
    ASSERT_EQ(e.size(), 4u);
    for (const ScriptEntry& x : e)
        EXPECT_EQ(x.nKind, SCRIPT_UNKNOWN) << x.uLine;
    EXPECT_EQ(e[3].sName, "");
    // An unknown name without "|" is no error: only INSTALL needs one.
    EXPECT_EQ(Read("[VARN-UPDATE-INSTALL]\nRUN=nothing\n")[0].nKind, SCRIPT_UNKNOWN);
}

TEST(ScriptReader, HeaderMustComeFirstAndBeExact)
{
    EXPECT_TRUE(Read("").empty());
    EXPECT_TRUE(Read("; only comments\n\n;\n").empty());
    EXPECT_TRUE(Read("[VARN-UPDATE-INSTALL]").empty());
    for (const char* bad : {"INSTALL=a|b\n[VARN-UPDATE-INSTALL]\n", "[VARN-UPDATE-INSTALL] \n", " [VARN-UPDATE-INSTALL]\n",
                            "[varn-update-install]\n"}) {
        const auto e = Read(bad);
        ASSERT_EQ(e.size(), 1u) << bad;
        EXPECT_EQ(e[0].nKind, SCRIPT_BAD_HEADER) << bad;
        EXPECT_EQ(e[0].uLine, 1u);
    }
    // A second header is a command line without "=".
    const auto e = Read("[VARN-UPDATE-INSTALL]\n[VARN-UPDATE-INSTALL]\n");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].nKind, SCRIPT_BAD_SEPARATOR);
    EXPECT_EQ(e[0].uLine, 2u);
}

TEST(ScriptReader, FormatErrorsStopWithTheirLineNumber)
{
    const auto sep = Read(";a\n\n[VARN-UPDATE-INSTALL]\n;b\n\nDELETE=x\nBROKEN\nDELETE=never\n");
    ASSERT_EQ(sep.size(), 2u);
    EXPECT_EQ(sep[1].nKind, SCRIPT_BAD_SEPARATOR);
    EXPECT_EQ(sep[1].uLine, 7u);

    const auto dest = Read("[VARN-UPDATE-INSTALL]\r\n;\r\nINSTALL=only-source\r\nDELETE=never\r\n");
    ASSERT_EQ(dest.size(), 1u);
    EXPECT_EQ(dest[0].nKind, SCRIPT_NO_DESTINATION);
    EXPECT_EQ(dest[0].uLine, 3u);
}

TEST(ScriptReader, RemovesOneLineFeedThenOneCarriageReturn)
{
    const auto e = Read("[VARN-UPDATE-INSTALL]\r\nDELETE=a\r\r\nDELETE=b\n\rDELETE=c\r");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].sArg, "a\r");
    EXPECT_EQ(e[1].sArg, "b");
    // "\rDELETE=c\r": the carriage return after the line feed begins the
    // next line, whose own end loses one carriage return.
    EXPECT_EQ(e[2].nKind, SCRIPT_UNKNOWN);
    EXPECT_EQ(e[2].sName, "\rDELETE");
    EXPECT_EQ(e[2].sArg, "c");
}

TEST(ScriptReader, LongLinesAreReadInPiecesThatCountAsLines)
{
    // 1022 characters and a line feed fit one piece.
    const std::string fits = "DELETE=" + std::string(1015, 'a');
    auto e = Read("[VARN-UPDATE-INSTALL]\n" + fits + "\nRUN=x\n");
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].sArg.size(), 1015u);
    EXPECT_EQ(e[1].uLine, 3u);

    // A longer comment is cut after 1023 bytes; its rest is a line of its
    // own, which is not a comment.
    e = Read("[VARN-UPDATE-INSTALL]\n;" + std::string(1022, 'c') + "DELETE=rest\nRUN=x\n");
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].nKind, SCRIPT_DELETE);
    EXPECT_EQ(e[0].uLine, 3u);
    EXPECT_EQ(e[0].sArg, "rest");
    EXPECT_EQ(e[1].uLine, 4u);

    // The line feed of a line cut exactly before it makes an empty line.
    e = Read("[VARN-UPDATE-INSTALL]\n" + std::string("DELETE=") + std::string(1016, 'b') + "\nRUN=x\n");
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].sArg.size(), 1016u);
    EXPECT_EQ(e[1].uLine, 4u);
}

TEST(ScriptReader, ZeroByteEndsTheLineText)
{
    const char raw[] = "[VARN-UPDATE-INSTALL]\nDELETE=a\0b\nRUN=x\n";
    const std::string bytes(raw, sizeof raw - 1);
    const auto e = Read(bytes);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].sArg, "a");
    EXPECT_EQ(e[1].uLine, 3u);
}

TEST(ScriptReader, PiecesOfAnySizeGiveTheSameEntries)
{
    std::string longLine = "RUN=";
    for (int i = 0; i < 1500; i++)
        longLine += "z=";
    const std::string bytes =
        ";x\n[VARN-UPDATE-INSTALL]\r\nINSTALL=a|b\r\n" + longLine + "\nDELETE=q\nRUN=1\nINSTALL=c";
    const auto whole = Read(bytes);
    for (size_t step : {1u, 2u, 7u, 1023u, 4096u}) {
        std::vector<ScriptEntry> got;
        ScriptReader reader([&](const ScriptEntry& e) {
            got.push_back(e);
            return true;
        });
        for (size_t i = 0; i < bytes.size(); i += step)
            reader.Feed(bytes.data() + i, std::min(step, bytes.size() - i));
        reader.Finish();
        ASSERT_EQ(got.size(), whole.size()) << step;
        for (size_t i = 0; i < got.size(); i++) {
            EXPECT_EQ(got[i].uLine, whole[i].uLine);
            EXPECT_EQ(got[i].nKind, whole[i].nKind);
            EXPECT_EQ(got[i].sArg, whole[i].sArg);
        }
    }
    EXPECT_EQ(whole.back().nKind, SCRIPT_NO_DESTINATION);
}

TEST(ScriptReader, StopsWhenTheCallerSaysSo)
{
    const std::string bytes = "[VARN-UPDATE-INSTALL]\nDELETE=a\nDELETE=b\nDELETE=c\n";
    int seen = 0;
    ScriptReader reader([&](const ScriptEntry&) { return ++seen < 2; });
    EXPECT_FALSE(reader.Feed(bytes.data(), bytes.size()));
    EXPECT_FALSE(reader.Finish());
    EXPECT_EQ(seen, 2);
    EXPECT_TRUE(reader.Stopped());
}
