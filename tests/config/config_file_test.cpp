// The configuration file's writer and reader in-process on in-memory pages:
// the lines a kind writes, the header checks, the body dispatch with its
// line numbers and ignore-errors, line ends and long lines, and reading in
// any slices; the safe file output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "adapt.h"
#include "codecs.h"
#include "config_file.h"
#include "config_file_output.h"
#include "config_fixture.h"
#include "file_task.h"
#include "sensor_kind.h"

namespace {

constexpr char szVisa[] = "0036003F3137510A33353438";
constexpr char szOtherVisa[] = "0036003F3137510A33353499";

// The file's keys for a kind, written out from the file's description.
std::vector<std::string> ExpectedFileKeys(int nType)
{
    const std::string suffix = tSensorKinds[nType].szSuffix;
    const bool primary = !suffix.empty();
    std::vector<std::string> k = {"sens-type", "out1-mode", "out2-mode"};
    if (primary)
        k.push_back("range-" + suffix);
    k.insert(k.end(), {"range-wind", "pulse-thld", "pulse-to", "pulse-lvl", "pulse-ms", "sdi12-mode", "sdi12-addr",
                       "serial-mode", "cons-idle", "avg-a", "avg-c", "avg-m", "lin-wc1", "lin-wc3", "lin-wc4",
                       "lin-wc5", "lin-wc6", "lin-we1", "lin-we2", "lin-xc1", "lin-xe1", "misc-pwrdly"});
    if (primary)
        k.push_back("thld-" + suffix);
    k.insert(k.end(), {"sys-speed", "sys-clk", "sens-version", "sens-date", "sens-sn", "hw-version", "hw-date",
                       "calib-date"});
    if (primary)
        k.push_back("calib-" + suffix);
    k.push_back("calib-wind");
    return k;
}

class ConfigFileTest : public ConfigTest {
protected:
    // A connected sensor of the kind as far as the file is concerned: its
    // type, its signature, pages adapted to it.
    void Connect(int nType)
    {
        nSensorType = nType;
        std::snprintf(szSensorType, sizeof szSensorType, "%s", tSensorKinds[nType].szName);
        ConfigAdaptPages(nType, 345);
        pages.SetText(CTL_MAIN_VISA, szVisa);
    }

    int Read(const std::string& sText, ConfigImportOptions tOptions = {})
    {
        ConfigPagesImport handler(tOptions);
        return ConfigFileRead(sText.data(), sText.size(), handler, tOptions.bImportIgnoreErr);
    }
    static std::string Header(const char* szSignature = szVisa)
    {
        return std::string("[VARN-CONFIG=") + szSignature + "]\n";
    }
    std::vector<std::string> Errors() const
    {
        std::vector<std::string> v;
        for (const std::string& t : messages->Texts())
            if (t.rfind("E:", 0) == 0)
                v.push_back(t.substr(2));
        return v;
    }
    // Every file row's value as the writer would write it.
    std::vector<std::string> Lines()
    {
        std::vector<std::string> v;
        for (const SensorParam* p : ConfigFileRows(nSensorType.load()))
            v.push_back(ConfigFileLine(*p));
        return v;
    }
};

TEST_F(ConfigFileTest, EveryKindWritesItsKeysInFileOrder)
{
    for (int type = 0; type < SENSOR_TYPE_COUNT; type++) {
        SCOPED_TRACE(tSensorKinds[type].szName);
        std::vector<std::string> keys;
        for (const SensorParam* p : ConfigFileRows(type))
            keys.push_back(p->szKey);
        EXPECT_EQ(keys, ExpectedFileKeys(type));
        EXPECT_EQ(keys.size(), type == SENSOR_TYPE_PALVETRA ? 34u : 37u);
    }
}

TEST_F(ConfigFileTest, WriterTakesValuesFromTheControlsAsTheyStand)
{
    Connect(SENSOR_TYPE_PALVETRA);
    EXPECT_EQ(ConfigFileHeader(szVisa), "[VARN-CONFIG=0036003F3137510A33353438]");
    pages.SetText(CTL_SENS_SN, "   ");            // no "unknown" in the file
    pages.SetText(CTL_PULSE_THLD, "7");          // a PALVETRA has no pulse, the box is written all the same
    pages.SetEnabled(CTL_PULSE_THLD, false);
    SetSysSpeed(CTL_SYS_SPEED, "32MHz");
    pages.SetDate(CTL_HW_DATE, {2019, 3, 5});
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(lines.front(), "sens-type=PALVETRA");
    auto has = [&lines](const std::string& s) { return std::find(lines.begin(), lines.end(), s) != lines.end(); };
    EXPECT_TRUE(has("sens-sn=   "));
    EXPECT_TRUE(has("pulse-thld=7"));
    EXPECT_TRUE(has("sys-speed=32MHz"));
    EXPECT_TRUE(has("hw-date=2019-03-05"));
}

TEST_F(ConfigFileTest, HeaderFaultsStopWhateverIgnoreErrorsSays)
{
    Connect(SENSOR_TYPE_KORVALIN);
    ConfigImportOptions ignore;
    ignore.bImportIgnoreErr = true;
    const std::string body = "avg-a=9\n";

    EXPECT_EQ(Read("; made by hand\n\n[VARN-CONFIG]\n" + body, ignore), 0);
    EXPECT_EQ(Read("[VARN-CONFIG=0036003F3137510A3335343]\n" + body, ignore), 0);   // 23 characters: read, not ours
    EXPECT_EQ(Read("[VARN-CONFIG=0036003F3137510A3335343\n" + body, ignore), 0);    // no "]"
    EXPECT_EQ(Read(body + Header(), ignore), 0);                                    // a body line first
    EXPECT_EQ(Read(Header(szOtherVisa) + body, ignore), 0);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "Bad file header identifier '[VARN-CONFIG]' !",
                            "This file is not exported from this sensor !\n(file: 0036003F3137510A3335343, "
                            "sensor: 0036003F3137510A33353438)",
                            "Bad file header format '[VARN-CONFIG=0036003F3137510A3335343' !",
                            "Bad file header identifier 'avg-a=9' !",
                            "This file is not exported from this sensor !\n(file: 0036003F3137510A33353499, "
                            "sensor: 0036003F3137510A33353438)",
                        }));
    EXPECT_EQ(pages.Text(CTL_AVG_A), "");

    // Without the signature check another sensor's file imports, and what
    // follows the "]" is not read.
    ConfigImportOptions unchecked;
    unchecked.bImportCheckHwSn = false;
    EXPECT_EQ(Read("[VARN-CONFIG=" + std::string(szOtherVisa) + "] trailing words\n" + body, unchecked), 1);
    EXPECT_EQ(pages.Text(CTL_AVG_A), "9");
}

TEST_F(ConfigFileTest, SensorTypeMismatchStopsOrIsSkippedWithIgnoreErrors)
{
    Connect(SENSOR_TYPE_DUVIKORN);
    const std::string file = Header() + "sens-type=KORVALIN\nrange-flux=2V5\navg-m=900\n";
    SetRange(CTL_PRIMARY_RANGE, "5V");
    EXPECT_EQ(Read(file), 0);
    EXPECT_EQ(Errors(), std::vector<std::string>{"This file is exported from 'KORVALIN' sensor, not from 'DUVIKORN' sensor !"});
    EXPECT_EQ(GetRange(CTL_PRIMARY_RANGE), "5V");
    EXPECT_EQ(pages.Text(CTL_AVG_M), "");

    ConfigImportOptions ignore;
    ignore.bImportIgnoreErr = true;
    EXPECT_EQ(Read(file, ignore), 1);
    EXPECT_EQ(GetRange(CTL_PRIMARY_RANGE), "2V5");
    EXPECT_EQ(pages.Text(CTL_AVG_M), "900");
}

TEST_F(ConfigFileTest, BodyFaultsNameTheLineCountingEveryLine)
{
    Connect(SENSOR_TYPE_MESTRALO);
    // Line 1 comment, 2 empty, 3 header, 4 blank after its CR, 5 comment.
    const std::string file = "; export\n\n" + Header() + "\r\n;\nlogger-mode=on\navg-c=120\nno equals sign\navg-a=2=3\n";
    EXPECT_EQ(Read(file), 0);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Unknown parameter 'logger-mode' at line 6 !"});
    EXPECT_EQ(pages.Text(CTL_AVG_C), "");

    ConfigImportOptions ignore;
    ignore.bImportIgnoreErr = true;
    EXPECT_EQ(Read(file, ignore), 1);
    EXPECT_EQ(Errors().back(), "Bad line format 'no equals sign' at line 8 !");
    EXPECT_EQ(pages.Text(CTL_AVG_C), "120");
    EXPECT_EQ(pages.Text(CTL_AVG_A), "2=3");
}

TEST_F(ConfigFileTest, KeysGoToTheirControlsAndFactoryKeysNeedTheOption)
{
    Connect(SENSOR_TYPE_GRESTOLV);
    const std::string file = Header() +
                             "range-rain=2V5\nthld-flux=11\nsdi12-mode=all\nsys-clk=external\n"
                             "sens-version=9.9\nsens-date=2001-02-03\nsens-sn=\ncalib-flux=1.5\ncalib-wind=2.5\n";
    pages.SetText(CTL_SENS_SN, "GR-1");
    EXPECT_EQ(Read(file), 1);
    EXPECT_TRUE(messages->Texts().empty());
    EXPECT_EQ(GetRange(CTL_PRIMARY_RANGE), "2V5");
    EXPECT_EQ(pages.Text(CTL_EXPERT_THLD), "11");
    EXPECT_EQ(GetSdi12Mode(), "all");
    EXPECT_TRUE(pages.Enabled(CTL_SDI12_ADDR));
    EXPECT_EQ(GetSysClk(CTL_SYS_CLK), "external");
    EXPECT_EQ(pages.Text(CTL_SENS_VERSION), "");
    EXPECT_EQ(pages.Text(CTL_SENS_SN), "GR-1");
    EXPECT_EQ(pages.Date(CTL_SENS_DATE), ConfigDate());

    ConfigImportOptions factory;
    factory.bImportFactory = true;
    EXPECT_EQ(Read(file, factory), 1);
    EXPECT_EQ(pages.Text(CTL_SENS_VERSION), "9.9");
    EXPECT_EQ(pages.Date(CTL_SENS_DATE), (ConfigDate{2001, 2, 3}));
    EXPECT_EQ(pages.Text(CTL_SENS_SN), "");   // as in the file, no "unknown"
    EXPECT_EQ(pages.Text(CTL_CALIB_PRIMARY), "1.5");
    EXPECT_EQ(pages.Text(CTL_CALIB_WIND), "2.5");

    // Keys of the table the file never holds are unknown to it.
    for (const char* key : {"logger-cfg", "sys-watchdog", "fscale-flux", "hw-sn", "fw-version", "Avg-a", ""})
        EXPECT_EQ(ConfigFileKey(key, nullptr), KEY_UNKNOWN) << key;
}

TEST_F(ConfigFileTest, CommentsOnlyOrEmptyReadsWholeWithoutHeader)
{
    Connect(SENSOR_TYPE_KORVALIN);
    EXPECT_EQ(Read(""), 1);
    EXPECT_EQ(Read("; nothing here\n\n;\r\n; last line without end"), 1);
    EXPECT_TRUE(messages->Texts().empty());
}

TEST_F(ConfigFileTest, CrLfAndLfFilesReadAlikeEvenAtThePieceLimit)
{
    Connect(SENSOR_TYPE_KORVALIN);
    ConfigImportOptions ignore;
    ignore.bImportIgnoreErr = true;
    // A value that fills the piece exactly with its line feed.
    const std::string longValue(CONFIG_LINE_MAX - std::strlen("pulse-thld=") - 1, 'v');
    const std::string lf = Header() + "pulse-thld=" + longValue + "\nlogger-cfg=1\navg-a=4\n";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    EXPECT_EQ(Read(lf, ignore), 1);
    const std::vector<std::string> lfErrors = Errors();
    const std::string lfThld = pages.Text(CTL_PULSE_THLD);
    pages.SetText(CTL_PULSE_THLD, "");
    pages.SetText(CTL_AVG_A, "");
    EXPECT_EQ(Read(crlf, ignore), 1);
    std::vector<std::string> all = Errors();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(lfErrors.size()), all.end()), lfErrors);
    EXPECT_EQ(lfErrors, std::vector<std::string>{"Unknown parameter 'logger-cfg' at line 3 !"});
    EXPECT_EQ(pages.Text(CTL_PULSE_THLD), lfThld);
    EXPECT_EQ(lfThld, longValue);
    EXPECT_EQ(pages.Text(CTL_AVG_A), "4");
}

TEST_F(ConfigFileTest, LongLineIsReadInPiecesEachALineOfItsOwn)
{
    Connect(SENSOR_TYPE_KORVALIN);
    const std::string key = "pulse-thld=";
    const std::string line = key + std::string(3000 - key.size(), 'x');
    ConfigImportOptions ignore;
    ignore.bImportIgnoreErr = true;
    EXPECT_EQ(Read(Header() + line + "\navg-a=7\n", ignore), 1);
    EXPECT_EQ(pages.Text(CTL_PULSE_THLD), std::string(CONFIG_LINE_MAX - key.size(), 'x'));
    // The rest is line 3 (the message box text is cut to the reporters' size).
    const std::vector<std::string> errors = Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Bad line format 'xxxx", 0), 0u);
    pages.SetText(CTL_AVG_A, "");
    EXPECT_EQ(Read(Header() + line.substr(0, CONFIG_LINE_MAX) + "bad\navg-a=7\n", ignore), 1);
    EXPECT_EQ(Errors().back(), "Bad line format 'bad' at line 3 !");
    EXPECT_EQ(pages.Text(CTL_AVG_A), "7");   // line 4

    // A NUL byte ends a line's text as a C text ends.
    const std::string withNul = Header() + std::string("avg-m=12\0=junk", 14) + "\n";
    EXPECT_EQ(Read(withNul), 1);
    EXPECT_EQ(pages.Text(CTL_AVG_M), "12");
}

// Whatever the bytes, the reader never reads out of bounds, and slicing a
// file differently never changes what it does.
TEST_F(ConfigFileTest, AnySlicingGivesTheSameResultOnMangledFiles)
{
    Connect(SENSOR_TYPE_GRESTOLV);
    const std::string valid = Header() + "sens-type=GRESTOLV\r\nout1-mode=hail\n;c\navg-a=5\nsens-date=2020-01-02\n";
    std::mt19937 rng(7);
    const char alphabet[] = "=;[]\r\n\0xVARN-CONFIG0123avg-m";
    for (int round = 0; round < 300; round++) {
        std::string text = valid;
        if (round % 10 == 0) {
            // Now and then bytes of any value.
            text.resize(rng() % 5000);
            for (char& c : text)
                c = static_cast<char>(rng());
        }
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; e++) {
            const size_t at = rng() % (text.size() + 1);
            switch (rng() % 3) {
            case 0:
                text.insert(at, 1, alphabet[rng() % (sizeof alphabet - 1)]);
                break;
            case 1:
                if (at < text.size())
                    text.erase(at, 1);
                break;
            default:
                text.insert(at, std::string(rng() % 2500, alphabet[rng() % (sizeof alphabet - 1)]));
                break;
            }
        }
        ConfigImportOptions options;
        options.bImportIgnoreErr = (round % 2) != 0;
        options.bImportFactory = true;
        const size_t before = messages->Count();
        const int whole = Read(text, options);
        const std::vector<std::string> afterWhole = messages->Texts();
        const std::vector<std::string> wholeTexts(afterWhole.begin() + static_cast<long>(before), afterWhole.end());
        const std::string wholeA = pages.Text(CTL_AVG_A);

        ConfigPagesImport handler(options);
        ConfigFileReader reader(handler, options.bImportIgnoreErr);
        const size_t before2 = messages->Count();
        for (size_t at = 0; at < text.size();) {
            const size_t n = std::min<size_t>(1 + rng() % 64, text.size() - at);
            reader.Feed(text.data() + at, n);
            at += n;
        }
        EXPECT_EQ(reader.Finish(), whole) << round;
        const std::vector<std::string> all = messages->Texts();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before2), all.end()), wholeTexts) << round;
        EXPECT_EQ(pages.Text(CTL_AVG_A), wholeA) << round;
    }
}

TEST_F(ConfigFileTest, ProposedNameIsTheSerialNumberUpToItsFirstBlank)
{
    pages.SetText(CTL_SENS_SN, "KV 2103 0042");
    EXPECT_EQ(ExportProposedName(), "KV.varncfg");
    pages.SetText(CTL_SENS_SN, "KV-2103");
    EXPECT_EQ(ExportProposedName(), "KV-2103.varncfg");
    pages.SetText(CTL_SENS_SN, "");
    EXPECT_EQ(ExportProposedName(), "");
    pages.SetText(CTL_SENS_SN, "   ");
    EXPECT_EQ(ExportProposedName(), "") << "never the hidden name \".varncfg\"";
}

// --- The safe file output ------------------------------------------------------

class FileOutputTest : public ::testing::Test {
protected:
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> v;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
    static void Put(const std::string& sPath, const std::string& sText) { std::ofstream(sPath) << sText; }
    TempDir dir;
};

TEST_F(FileOutputTest, NameShowsTheNewFileOnlyOnceCommitted)
{
    const std::string path = dir.File("a.varncfg");
    Put(path, "old");
    ConfigFileOutput out;
    ASSERT_EQ(out.Open(path), 1);
    out.Write("new text\n");
    EXPECT_EQ(ReadFileText(path), "old");
    EXPECT_EQ(out.Commit(), 1);
    EXPECT_EQ(ReadFileText(path), "new text\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.varncfg"});

    ASSERT_EQ(out.Open(path), 1);
    out.Write("half");
    out.Discard();
    EXPECT_EQ(ReadFileText(path), "new text\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.varncfg"});
}

TEST_F(FileOutputTest, RefusesWhatCouldNotBeOpenedForWritingAndFollowsLinks)
{
    ConfigFileOutput out;
    EXPECT_EQ(out.Open(dir.Path()), 0);                       // a folder
    EXPECT_EQ(out.Open(dir.File("missing/a.varncfg")), 0);    // no such folder
    const std::string readOnly = dir.File("ro.varncfg");
    Put(readOnly, "keep");
    chmod(readOnly.c_str(), 0444);
    if (geteuid() != 0) {
        EXPECT_EQ(out.Open(readOnly), 0);
        EXPECT_EQ(ReadFileText(readOnly), "keep");
    }

    const std::string real = dir.File("real.varncfg");
    const std::string link = dir.File("link.varncfg");
    Put(real, "old");
    chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, link);
    ASSERT_EQ(out.Open(link), 1);
    out.Write("new");
    ASSERT_EQ(out.Commit(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileText(real), "new");
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
