// The recorder with an injected clock, and the settings file: periods on
// the wall clock, padding, file names in local time, what a disconnect
// writes, and nothing overwritten or lost when a step fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

#include "scope_test_support.h"
#include "scope_wav.h"

namespace {

// A fixed zone one whole hour east of UTC, so local names differ from UTC ones.
class LocalZone {
public:
    LocalZone()
    {
        const char* tz = std::getenv("TZ");
        bHad = tz != nullptr;
        if (bHad)
            sOld = tz;
        setenv("TZ", "VRN-1", 1);
        tzset();
    }
    ~LocalZone()
    {
        if (bHad)
            setenv("TZ", sOld.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool bHad = false;
    std::string sOld;
};

long long LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    struct tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<long long>(mktime(&t));
}

long long SizeOf(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The data chunk's size as the header states it.
uint32_t DataSize(const std::string& path)
{
    const std::string bytes = ReadFileText(path);
    if (bytes.size() < WAV_HEADER_SIZE)
        return 0;
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[40]) | static_cast<unsigned char>(bytes[41]) << 8 |
                                 static_cast<unsigned char>(bytes[42]) << 16 | static_cast<unsigned char>(bytes[43]) << 24);
}

class Recorder : public testing::Test {
protected:
    Recorder() : rec(frame.settings)
    {
        rec.fnNow = [this] { return now; };
        for (unsigned k = 0; k < SCOPE_BLOC_SIZE; k++)
            bloc[k] = static_cast<int16_t>(k * 7 - 5000);
    }
    std::string Wav(const std::string& name) const { return std::string(frame.settings.szWavDir) + "/" + name; }
    std::string Raw() const { return frame.settings.szTmpFile; }

    LocalZone zone;
    ScopeFrame frame;
    WavRecorder rec;
    long long now = 0;
    int16_t bloc[SCOPE_BLOC_SIZE];
};

TEST_F(Recorder, RecordingStartedAt120730FillsThePeriodFromNoonAndCutsAtTen)
{
    frame.settings.nWavDuration = 600;
    WavSetMode(rec, SCOPE_ASCII_RATE);
    EXPECT_EQ(rec.nWavSmpPerFile, 600000u);
    now = LocalTime(2024, 3, 1, 12, 7, 30);
    WavInit(rec);
    EXPECT_EQ(rec.tmStart, now);
    EXPECT_EQ(rec.tmFile, LocalTime(2024, 3, 1, 12, 0, 0));
    EXPECT_EQ(rec.nWavSmp, 450000u);
    // 450 s of padding: 450000 sample frames of two 0x8001 values.
    ASSERT_EQ(SizeOf(Raw()), 1800000);
    const std::string raw = ReadFileText(Raw());
    EXPECT_EQ(raw.find_first_not_of(std::string("\x01\x80", 2)), std::string::npos);
    EXPECT_EQ(raw.substr(raw.size() - 4), std::string("\x01\x80\x01\x80", 4));

    // Each ASCII frame adds 500 sample frames (2000 bytes).
    for (int i = 0; i < 299; i++)
        WavAddBloc(rec, bloc);
    EXPECT_EQ(rec.nWavSmp, 599500u);
    EXPECT_EQ(SizeOf(Raw()), 1800000 + 299 * 2000);
    EXPECT_TRUE(FilesWithExt(frame.settings.szWavDir, ".wav").empty());

    WavAddBloc(rec, bloc);   // reaches 600000: the file of 12:00:00 is finished
    ASSERT_EQ(FilesWithExt(frame.settings.szWavDir, ".wav"), std::vector<std::string>{"20240301_120000.wav"});
    EXPECT_EQ(DataSize(Wav("20240301_120000.wav")), 2400000u);
    EXPECT_EQ(SizeOf(Raw()), -1);
    EXPECT_EQ(rec.nWavSmp, 0u);
    EXPECT_EQ(rec.tmFile, LocalTime(2024, 3, 1, 12, 10, 0));

    // The next period starts without padding; a disconnect writes it with its true size.
    WavAddBloc(rec, bloc);
    EXPECT_EQ(SizeOf(Raw()), 2000);
    WavWrite(rec);
    EXPECT_EQ(DataSize(Wav("20240301_121000.wav")), 2000u);
    EXPECT_EQ(rec.uFilesWritten.load(), 2u);

    if (PythonWaveAvailable()) {
        const WavReadBack full = ReadWavWithPython(Wav("20240301_120000.wav"), false);
        ASSERT_TRUE(full.bOk) << full.sError;
        EXPECT_EQ(full.nChannels, 2);
        EXPECT_EQ(full.nSampleWidth, 2);
        EXPECT_EQ(full.nFrameRate, 1000);
        EXPECT_EQ(full.nFrames, 600000);
        const WavReadBack part = ReadWavWithPython(Wav("20240301_121000.wav"));
        ASSERT_TRUE(part.bOk) << part.sError;
        EXPECT_EQ(part.nFrames, 500);
        ASSERT_EQ(part.vSamples.size(), 1000u);
        EXPECT_TRUE(std::equal(part.vSamples.begin(), part.vSamples.end(), bloc));
    }
}

TEST_F(Recorder, BinaryBlocksAddOneThousandSampleFrames)
{
    frame.settings.nWavDuration = 60;
    WavSetMode(rec, SCOPE_BINARY_RATE);
    EXPECT_EQ(rec.nWavSmpPerFile, 120000u);
    now = LocalTime(2024, 3, 1, 23, 59, 59);
    WavInit(rec);
    EXPECT_EQ(rec.nWavSmp, 59u * 2000u);
    EXPECT_EQ(SizeOf(Raw()), 59LL * 2000 * 4);
    WavAddBloc(rec, bloc);
    EXPECT_EQ(rec.nWavSmp, 119000u);
    EXPECT_EQ(SizeOf(Raw()), 59LL * 8000 + 4000);
    WavAddBloc(rec, bloc);
    EXPECT_EQ(FilesWithExt(frame.settings.szWavDir, ".wav"), std::vector<std::string>{"20240301_235900.wav"});
    EXPECT_EQ(DataSize(Wav("20240301_235900.wav")), 120000u * 4);
    EXPECT_EQ(rec.tmFile, LocalTime(2024, 3, 2, 0, 0, 0));
}

TEST_F(Recorder, HeaderStatesRateChannelsAndSizes)
{
    const wavheader_t h = WavHeader(2000, 4000);
    unsigned char bytes[WAV_HEADER_SIZE];
    WavHeaderBytes(h, bytes);
    const std::string expected = std::string("RIFF") + std::string("\xC4\x0F\0\0", 4) + "WAVEfmt " +
                                 std::string("\x10\0\0\0\x01\0\x02\0", 8) + std::string("\xD0\x07\0\0", 4) +
                                 std::string("\x40\x1F\0\0", 4) + std::string("\x04\0\x10\0", 4) + "data" +
                                 std::string("\xA0\x0F\0\0", 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), WAV_HEADER_SIZE), expected);
}

TEST_F(Recorder, SamePeriodTwiceKeepsBothFiles)
{
    frame.settings.nWavDuration = 600;
    WavSetMode(rec, SCOPE_BINARY_RATE);
    now = LocalTime(2024, 3, 1, 12, 0, 0);
    for (int connection = 0; connection < 2; connection++) {
        WavInit(rec);
        WavAddBloc(rec, bloc);
        WavWrite(rec);
        rec.bPeriodOpen = false;
        now += 5;
    }
    EXPECT_EQ(FilesWithExt(frame.settings.szWavDir, ".wav"),
              (std::vector<std::string>{"20240301_120000.wav", "20240301_120000_2.wav"}));
    EXPECT_EQ(DataSize(Wav("20240301_120000.wav")), 4000u);
    EXPECT_EQ(DataSize(Wav("20240301_120000_2.wav")), 5u * 8000 + 4000);
}

TEST_F(Recorder, FailedConversionStopsTheRecordingAndKeepsTheSamples)
{
    MessageRecorder messages;
    frame.settings.bSaveWav = 1;
    frame.settings.nWavDuration = 600;
    WavSetMode(rec, SCOPE_BINARY_RATE);
    now = LocalTime(2024, 3, 1, 12, 0, 0);
    WavInit(rec);
    WavAddBloc(rec, bloc);
    // The intermediate file cannot be made: a folder has its name.
    ASSERT_EQ(mkdir((Raw() + ".wav").c_str(), 0700), 0);
    WavWrite(rec);
    EXPECT_TRUE(FilesWithExt(frame.settings.szWavDir, ".wav").empty());
    EXPECT_EQ(SizeOf(Wav("20240301_120000.bin")), 4000);
    EXPECT_EQ(SizeOf(Raw()), -1);
    EXPECT_TRUE(rec.bFailed.load());
    EXPECT_EQ(frame.settings.bSaveWav.load(), 0);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.Last().find("Recording stopped: could not write the wav file '20240301_120000.wav'"),
              std::string::npos) << messages.Last();
    EXPECT_NE(messages.Last().find("kept in '" + Wav("20240301_120000.bin") + "'"), std::string::npos);
    // The stopped recording takes no more blocks; a new one starts clean.
    WavAddBloc(rec, bloc);
    EXPECT_EQ(SizeOf(Raw()), -1);
    rmdir((Raw() + ".wav").c_str());
    WavInit(rec);
    EXPECT_FALSE(rec.bFailed.load());
    WavAddBloc(rec, bloc);
    WavWrite(rec);
    EXPECT_EQ(DataSize(Wav("20240301_120000.wav")), 4000u);
    EXPECT_EQ(messages.Count(), 1u);
}

// Every way the recording cannot be written is reported at once and stops
// it; nothing waits on a pipe or writes into a device.
TEST_F(Recorder, WriteFailuresAreReportedAtOnceAndWhatWasWrittenIsKept)
{
    frame.settings.nWavDuration = 600;
    WavSetMode(rec, SCOPE_BINARY_RATE);
    now = LocalTime(2024, 3, 1, 12, 0, 0);
    auto start = [this](const std::string& dir) {
        std::snprintf(frame.settings.szWavDir, sizeof frame.settings.szWavDir, "%s", dir.c_str());
        ScopeSettingsUpdatePaths(frame.settings);
        frame.settings.bSaveWav = 1;
        WavInit(rec);
    };
    {
        // The folder is a file.
        MessageRecorder messages;
        const std::string file = frame.Dir().File("plain");
        WriteFile(file, "x");
        start(file);
        EXPECT_TRUE(rec.bFailed.load());
        EXPECT_EQ(frame.settings.bSaveWav.load(), 0);
        ASSERT_EQ(messages.Count(), 1u);
        EXPECT_EQ(messages.Last(), "E:Recording stopped: the wav folder '" + file +
                                       "' cannot be used (Not a directory) !");
    }
    for (const char* special : {"fifo", "full"}) {
        // The raw file's name is taken by a pipe, or leads to /dev/full.
        MessageRecorder messages;
        const std::string dir = frame.Dir().File(std::string("wav-") + special);
        ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
        const std::string raw = dir + "/tmp.bin";
        if (std::string(special) == "fifo")
            ASSERT_EQ(mkfifo(raw.c_str(), 0600), 0);
        else
            ASSERT_EQ(symlink("/dev/full", raw.c_str()), 0);
        start(dir);
        EXPECT_TRUE(rec.bFailed.load());
        ASSERT_EQ(messages.Count(), 1u);
        EXPECT_EQ(messages.Last(), "E:Recording stopped: could not create '" + raw + "' (it is a " +
                                       (std::string(special) == "fifo" ? "pipe" : "device") +
                                       ", not a regular file) !");
    }

    // A full file system: a 200 KiB tmpfs, filled by the recording itself.
    const std::string mount = frame.Dir().File("small");
    ASSERT_EQ(mkdir(mount.c_str(), 0700), 0);
    if (getuid() != 0 || std::system(("mount -t tmpfs -o size=200k tmpfs '" + mount + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no small file system here (needs root and tmpfs mounts): the full disk case is not run";
    struct Unmount {
        std::string path;
        ~Unmount() { (void)std::system(("umount '" + path + "'").c_str()); }
    } unmount{mount};
    MessageRecorder messages;
    now = LocalTime(2024, 3, 1, 12, 0, 0);
    start(mount);
    int blocks = 0;
    for (; blocks < 100 && !rec.bFailed.load(); blocks++)
        WavAddBloc(rec, bloc);
    EXPECT_TRUE(rec.bFailed.load());
    EXPECT_GT(blocks, 10);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.Last().find("(No space left on device) !"), std::string::npos) << messages.Last();
    // The samples written before the disk filled are kept, under the period's name.
    EXPECT_GE(SizeOf(mount + "/20240301_120000.bin"), (blocks - 1) * 4000LL);
    EXPECT_NE(messages.Last().find("kept in '" + mount + "/20240301_120000.bin'"), std::string::npos);
}

TEST(WavFromRawFile, NeverReplacesAnExistingFileAndKeepsTheRawOne)
{
    ScopeFrame frame;
    const std::string raw = frame.Dir().File("tmp.bin"), out = frame.Dir().File("out.wav");
    WriteFile(raw, std::string(4000, '\x11'));
    WriteFile(out, "earlier recording");
    EXPECT_EQ(WavFromRaw(raw.c_str(), out.c_str(), 2000), 0);
    EXPECT_EQ(ReadFileText(out), "earlier recording");
    EXPECT_EQ(SizeOf(raw), 4000);
    EXPECT_EQ(SizeOf(raw + ".wav"), 4044);   // the intermediate stays too

    std::remove(out.c_str());
    EXPECT_EQ(WavFromRaw(raw.c_str(), out.c_str(), 2000), 1);
    EXPECT_EQ(SizeOf(out), 4044);
    EXPECT_EQ(SizeOf(raw), -1);
    EXPECT_EQ(SizeOf(raw + ".wav"), -1);

    // Empty and missing raw files make nothing; a partial sample frame is left out.
    WriteFile(raw, "");
    EXPECT_EQ(WavFromRaw(raw.c_str(), frame.Dir().File("empty.wav").c_str(), 2000), 0);
    EXPECT_EQ(SizeOf(raw), 0);
    std::remove(raw.c_str());
    EXPECT_EQ(WavFromRaw(raw.c_str(), frame.Dir().File("none.wav").c_str(), 2000), 0);
    WriteFile(raw, std::string(4003, '\x22'));
    EXPECT_EQ(WavFromRaw(raw.c_str(), frame.Dir().File("odd.wav").c_str(), 1000), 1);
    EXPECT_EQ(DataSize(frame.Dir().File("odd.wav")), 4000u);
}

TEST_F(Recorder, RawFileOfAKilledRecordingIsConvertedAsItsPeriodFileSays)
{
    frame.settings.bSaveWav = 1;
    frame.settings.nWavDuration = 600;
    WavSetMode(rec, SCOPE_BINARY_RATE);
    now = LocalTime(2024, 3, 1, 12, 0, 10);
    WavInit(rec);
    WavAddBloc(rec, bloc);
    // The program is killed here; the next start records an older sensor.
    WavRecorder next(frame.settings);
    next.fnNow = [this] { return now; };
    WavSetMode(next, SCOPE_ASCII_RATE);
    now = LocalTime(2024, 3, 1, 14, 3, 0);
    WavInit(next);
    EXPECT_EQ(DataSize(Wav("20240301_120000.wav")), 10u * 8000 + 4000);
    if (PythonWaveAvailable()) {
        const WavReadBack r = ReadWavWithPython(Wav("20240301_120000.wav"), false);
        ASSERT_TRUE(r.bOk) << r.sError;
        EXPECT_EQ(r.nFrameRate, 2000);   // the rate it was recorded at
    }
    EXPECT_EQ(SizeOf(Raw()), 180LL * 4000);   // the new recording's padding
    EXPECT_EQ(ReadFileText(Raw() + ".period"), "rate=1000\nperiod=" + std::to_string(LocalTime(2024, 3, 1, 14, 0, 0)) + "\n");

    // Without its period file nothing says how to convert it: it is kept.
    std::remove((Raw() + ".period").c_str());
    WavInit(next);
    EXPECT_EQ(SizeOf(Wav("tmp_not_converted.bin")), 180LL * 4000);
    EXPECT_EQ(FilesWithExt(frame.settings.szWavDir, ".wav"), std::vector<std::string>{"20240301_120000.wav"});

    WavPeriodInfo info;
    EXPECT_FALSE(WavParsePeriodInfo("rate=1500\nperiod=5\n", 19, &info));
    EXPECT_FALSE(WavParsePeriodInfo("rate=2000\n", 10, &info));
    EXPECT_FALSE(WavParsePeriodInfo("rate=2000\nperiod=99999999999999999999\n", 38, &info));
    ASSERT_TRUE(WavParsePeriodInfo("period=-60\nrate=2000", 20, &info));
    EXPECT_EQ(info.nRate, 2000u);
    EXPECT_EQ(info.tmPeriod, -60);
}

// --- Settings -----------------------------------------------------------

class Settings : public testing::Test {
protected:
    void Load(const std::string& text)
    {
        WriteFile(frame.settings.szCfgFile, text);
        EXPECT_EQ(LoadConfig(frame.settings), 1);
    }
    ScopeFrame frame;
};

TEST_F(Settings, FileBesideTheProgramsSetsPeriodAndFolder)
{
    EXPECT_EQ(std::string(frame.settings.szCfgFile), frame.Dir().File("VARN-Scope.ini"));
    Load("; VARN-Scope V1.45 configuration file\nwavEnable=1\nnWavDuration=60\nwavDir=/data/wav files\n");
    EXPECT_EQ(frame.settings.bSaveWav.load(), 1);
    EXPECT_EQ(frame.settings.nWavDuration, 60u);
    EXPECT_STREQ(frame.settings.szWavDir, "/data/wav files");
    EXPECT_STREQ(frame.settings.szTmpFile, "/data/wav files/tmp.bin");
}

TEST_F(Settings, PipeInPlaceOfTheFileIsNotWaitedOn)
{
    ASSERT_EQ(mkfifo(frame.settings.szCfgFile, 0600), 0);
    EXPECT_EQ(LoadConfig(frame.settings), 0);
    EXPECT_EQ(WriteConfig(frame.settings), 0);
    EXPECT_EQ(frame.settings.nWavDuration, 600u);
}

TEST_F(Settings, MissingFileKeepsTheDefaults)
{
    setenv("XDG_DOCUMENTS_DIR", "/home/tech/Documents", 1);
    ScopeSettingsInit(frame.settings, frame.Dir().Path().c_str());
    unsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(LoadConfig(frame.settings), 0);
    EXPECT_EQ(frame.settings.bSaveWav.load(), 0);
    EXPECT_EQ(frame.settings.nWavDuration, 600u);
    EXPECT_STREQ(frame.settings.szWavDir, "/home/tech/Documents");
    EXPECT_STREQ(frame.settings.szTmpFile, "/home/tech/Documents/tmp.bin");
}

TEST_F(Settings, CommentsOtherCasesAndLinesWithoutEqualsAreIgnored)
{
    Load("\n;wavEnable=1\nwavenable=1\nWAVDIR=/x\nnonsense\nnWavDuration=120\r\nwavDir=/a/b\r\n");
    EXPECT_EQ(frame.settings.bSaveWav.load(), 0);
    EXPECT_EQ(frame.settings.nWavDuration, 120u);
    EXPECT_STREQ(frame.settings.szWavDir, "/a/b");   // the CR of a CR LF file is not part of the folder
}

TEST_F(Settings, PeriodsThatDefineNoFileAreRefused)
{
    for (const char* bad : {"0", "abc", "", "-60", "536871", "99999999999"}) {
        frame.settings.nWavDuration = 600;
        Load(std::string("nWavDuration=") + bad + "\n");
        EXPECT_EQ(frame.settings.nWavDuration, 600u) << bad;
    }
    Load("nWavDuration=45 s\n");
    EXPECT_EQ(frame.settings.nWavDuration, 45u);
    Load("nWavDuration=536870\n");
    EXPECT_EQ(frame.settings.nWavDuration, 536870u);
}

TEST_F(Settings, FoldersThatDoNotFitAreRefused)
{
    const std::string before = frame.settings.szWavDir;
    Load("wavDir=/" + std::string(511, 'd') + "\n");
    EXPECT_EQ(frame.settings.szWavDir, before);
    Load("wavDir=\n");
    EXPECT_EQ(frame.settings.szWavDir, before);
    const std::string longest = "/" + std::string(510, 'd');
    Load("wavDir=" + longest + "\n");
    EXPECT_EQ(frame.settings.szWavDir, longest);
    EXPECT_EQ(std::string(frame.settings.szTmpFile), longest + "/tmp.bin");
    // An over-long line is skipped whole; the next line still counts.
    Load("wavDir=/" + std::string(9000, 'x') + "\nnWavDuration=30\n");
    EXPECT_EQ(frame.settings.szWavDir, longest);
    EXPECT_EQ(frame.settings.nWavDuration, 30u);
    // A zero byte would cut the name to another folder, or to none.
    Load(std::string("wavDir=\0/home", 12) + "\nwavDir=/tmp/a" + std::string(1, '\0') + "b\n");
    EXPECT_EQ(frame.settings.szWavDir, longest);
}

TEST_F(Settings, WriteConfigWritesTheFourLines)
{
    frame.settings.bSaveWav = 1;
    frame.settings.nWavDuration = 90;
    std::snprintf(frame.settings.szWavDir, sizeof frame.settings.szWavDir, "/srv/wav");
    ASSERT_EQ(WriteConfig(frame.settings), 1);
    EXPECT_EQ(ReadFileText(frame.settings.szCfgFile),
              "; VARN-Scope V1.45 configuration file\nwavEnable=1\nnWavDuration=90\nwavDir=/srv/wav\n");
    ScopeSettings again;
    ScopeSettingsInit(again, frame.Dir().Path().c_str());
    EXPECT_EQ(LoadConfig(again), 1);
    EXPECT_EQ(again.bSaveWav.load(), 1);
    EXPECT_EQ(again.nWavDuration, 90u);
    EXPECT_STREQ(again.szWavDir, "/srv/wav");

    std::snprintf(frame.settings.szCfgFile, sizeof frame.settings.szCfgFile, "%s", "/nonexistent/dir/VARN-Scope.ini");
    EXPECT_EQ(WriteConfig(frame.settings), 0);
}

TEST(DocumentsFolder, FollowsTheUserDirsFileOrFallsBackToHome)
{
    TempDir home;
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    setenv("HOME", home.Path().c_str(), 1);
    unsetenv("XDG_DOCUMENTS_DIR");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ScopeDocumentsDir(), home.Path() + "/Documents");
    mkdir(home.File(".config").c_str(), 0700);
    WriteFile(home.File(".config/user-dirs.dirs"), "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(ScopeDocumentsDir(), home.Path() + "/Dokumente");
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
