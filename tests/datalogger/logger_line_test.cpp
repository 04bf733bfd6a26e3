// The fill level, the record number of a line, and download streams the
// simulator cannot produce, played by a scripted console.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "appframe.h"
#include "logger_fixture.h"
#include "logger_line.h"
#include "logger_sim.h"
#include "serial.h"
#include "test_support.h"

namespace {

const std::string kPrefix = szFailPrefixShort;

TEST(LoggerFill, PercentAndMeasureText)
{
    EXPECT_EQ(LoggerPercent(10, 100), 10);
    EXPECT_EQ(LoggerPercent(2, 3), 66);
    EXPECT_EQ(LoggerPercent(5, 0), 0);
    EXPECT_EQ(LoggerPercent(5, -4), 0);
    // 32-bit products would overflow here.
    EXPECT_EQ(LoggerPercent(INT_MAX, INT_MAX), 100);
    EXPECT_EQ(LoggerPercent(30000000, 60000000), 50);

    char text[64];
    LoggerMeasureText(text, sizeof text, 10, 100, false);
    EXPECT_STREQ(text, "10 / 100 (10%)");
    LoggerMeasureText(text, sizeof text, 10, 0, false);
    EXPECT_STREQ(text, "10 / 0 (0%)");
    LoggerMeasureText(text, sizeof text, 10, 100, true);
    EXPECT_STREQ(text, "Unknown");
}

TEST(LoggerLine, FirstFieldGivesTheRecordNumber)
{
    auto number = [](const std::string& line, int* n) { return LoggerLineNumber(line.data(), line.size(), n); };
    int n = -1;
    EXPECT_EQ(number("#Record;Date", &n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(number("#;", &n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(number("42;2024-03-01;1.5", &n), 1);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(number("  +7x;y", &n), 1);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(number("Record;Date", &n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(number(";", &n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(number("12 2024-03-01 1.5", &n), 0);
    // Only the first ';' counts, and bytes after a zero byte are still seen.
    EXPECT_EQ(number(std::string("9\0;x", 4), &n), 1);
    EXPECT_EQ(n, 9);
    // A first field longer than its buffer is cut, not overrun: 600 digits
    // saturate, 511 zeros then "5" read as 0 (the "5" is beyond the cut).
    EXPECT_EQ(number(std::string(600, '9') + ";x", &n), 1);
    EXPECT_EQ(n, INT_MAX);
    EXPECT_EQ(number(std::string(511, '0') + "5;x", &n), 1);
    EXPECT_EQ(n, 0);
}

class ScriptedDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_DATALOGGER, dir.Path().c_str());
        ASSERT_TRUE(peer.Ok());
        dlg.sChosenFile = dir.File("out.csv");
    }
    int Download(unsigned uCommandTimeout = 3000)
    {
        sensor.Start();
        return ProcessThread(TestJob(TASK_DOWNLOAD, peer.SlavePath(), uCommandTimeout), dlg, dlg, cancel);
    }

    TempDir dir;
    PtyPeer peer;
    ScriptedSensor sensor{peer};
    RecordingDlg dlg;
    AutoResetEvent cancel;
    MessageRecorder rec;
};

TEST_F(ScriptedDownloadTest, HeadingThatIsNotRecordZero)
{
    sensor.sStream = "7;Date;Flux\r\n1;a;b\r\n2;a;b\r\n";
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:" + kPrefix + "Data missed (wait: 1, found: 7)"}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), "");
}

TEST_F(ScriptedDownloadTest, HeadingWithoutHashButNumberedZeroIsAccepted)
{
    sensor.sStream = "0;Date;Flux\r\n1;a;b\r\n2;a;b\r\n";
    EXPECT_EQ(Download(), 1);
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), "0;Date;Flux\n1;a;b\n2;a;b\n");
}

TEST_F(ScriptedDownloadTest, LineCutWithoutSeparatorIsABadLine)
{
    sensor.sStream = "#Record;Date\r\n1;a;b\r\n2";
    EXPECT_EQ(Download(300), 0);
    EXPECT_EQ(rec.Texts(),
              (std::vector<std::string>{"E:" + kPrefix + "Bad line format" + KeptNote(1, 2, dlg.sChosenFile)}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), "#Record;Date\n1;a;b\n");
}

TEST_F(ScriptedDownloadTest, LastRecordCutByTheTimeoutIsAReadErrorNotASuccess)
{
    sensor.sStream = "#Record;Date\r\n1;a;b\r\n2;a;";
    EXPECT_EQ(Download(300), 0);
    EXPECT_EQ(rec.Texts(),
              (std::vector<std::string>{"E:" + kPrefix + "Serial port read error" + KeptNote(1, 2, dlg.sChosenFile)}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), "#Record;Date\n1;a;b\n");
}

TEST_F(ScriptedDownloadTest, RecordLongerThanTheLineBufferIsAReadError)
{
    sensor.sStream = "#Record;Date\r\n1;" + std::string(3000, 'x') + "\r\n2;a\r\n";
    EXPECT_EQ(Download(300), 0);
    EXPECT_EQ(rec.Texts(),
              (std::vector<std::string>{"E:" + kPrefix + "Serial port read error" + KeptNote(0, 2, dlg.sChosenFile)}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), "#Record;Date\n");
}

TEST(SimulatedDownload, SensorThatStopsInTheLastRecordFailsTheDownload)
{
    TempDir dir;
    AppStartupFrameIn(PROGRAM_DATALOGGER, dir.Path().c_str());
    std::string error;
    auto sim = StartLoggerSim(10, 100, &error);
    ASSERT_TRUE(sim) << error;
    sim->SetLoggerFault(varnsim::LoggerFault::CutRecord, 10);
    RecordingDlg dlg;
    dlg.sChosenFile = dir.File("cut.csv");
    AutoResetEvent cancel;
    MessageRecorder rec;
    EXPECT_EQ(ProcessThread(TestJob(TASK_DOWNLOAD, sim->PortPath(), 300), dlg, dlg, cancel), 0);
    EXPECT_EQ(rec.Texts(),
              (std::vector<std::string>{"E:" + kPrefix + "Serial port read error" + KeptNote(9, 10, dlg.sChosenFile)}));
    const std::string csv = ReadFileText(dlg.sChosenFile);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 10);   // the heading and records 1 to 9
    EXPECT_EQ(csv.find("\n10;"), std::string::npos);
}

TEST_F(ScriptedDownloadTest, NegativeCountIsRefusedInsteadOfPassingAnEmptyFile)
{
    sensor.sCountText = "-1";
    sensor.sStream = "#Record;Date\r\n";
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:" + kPrefix + "Bad record count received (-1)"}));
    // The status line ends on the failure, not on the idle hint.
    EXPECT_EQ(dlg.LastProgress(), "Download failed !");
}

TEST_F(ScriptedDownloadTest, FillLevelUsesTheAnnouncedCount)
{
    sensor.tValues["logger-capa"] = "8";
    sensor.sStream = "#R;D\r\n1;x\r\n2;x\r\n";
    EXPECT_EQ(Download(), 1);
    EXPECT_EQ(dlg.Measure(), "2 / 8 (25%)");
    EXPECT_EQ(dlg.Gauge(), 25);
    // Records of the total, and the rest's time at the line rate (11 bytes
    // in two lines so far: one more line of 5.5 bytes, under a second).
    EXPECT_EQ(dlg.Progress()[7], "Downloading 1 / 2 (50 %), 0:01 left..");
    EXPECT_EQ(dlg.LastPosition(), 100u);
}

}  // namespace
