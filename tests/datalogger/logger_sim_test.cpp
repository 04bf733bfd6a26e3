// The three tasks end to end against the simulated sensor on a real
// pseudo-terminal: what the window would show, the files written and the
// messages, with the datalogger program's profile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "appframe.h"
#include "logger_fixture.h"
#include "logger_stream.h"
#include "params.h"
#include "serial.h"
#include "logger_sim.h"
#include "simulator.h"
#include "test_support.h"

namespace {

const std::string kPrefix = szFailPrefixShort;

class LoggerSimTest : public ::testing::Test {
protected:
    void StartSim(int nRecords, int nCapacity = 1000)
    {
        AppStartupFrameIn(PROGRAM_DATALOGGER, dir.Path().c_str());
        std::string error;
        sim = StartLoggerSim(nRecords, nCapacity, &error);
        ASSERT_TRUE(sim) << error;
    }
    void TearDown() override
    {
        if (sim)
            sim->Stop();
    }

    int Run(int iTask, unsigned uCommandTimeout = 3000)
    {
        return ProcessThread(TestJob(iTask, sim->PortPath(), uCommandTimeout), dlg, dlg, cancel);
    }

    // The CSV the host should write: the stream's lines with the platform's
    // line end instead of CR LF.
    std::string ExpectedCsv(int nRecords, int nLast) const
    {
        varnsim::LoggerStream stream(varnsim::kKorvalin, std::atoi(sim->Param("logger-cfg").c_str()), nRecords,
                                     std::atoi(sim->Param("avg-m").c_str()), {});
        std::string text = stream.Heading() + "\n";
        for (int k = 1; k <= nLast; k++)
            text += stream.Record(k) + "\n";
        return text;
    }

    TempDir dir;
    std::unique_ptr<varnsim::Simulator> sim;
    RecordingDlg dlg;
    AutoResetEvent cancel;
    MessageRecorder rec;
};

TEST_F(LoggerSimTest, RefreshShowsModeAndFillLevel)
{
    StartSim(10, 100);
    EXPECT_EQ(Run(TASK_REFRESH), 1);
    EXPECT_EQ(dlg.Mode(), "on");
    EXPECT_EQ(dlg.Measure(), "10 / 100 (10%)");
    EXPECT_EQ(dlg.Gauge(), 10);
    EXPECT_FALSE(dlg.Locked());
    const std::vector<std::string> steps{"Opening serial port...", "Waking up...",       "Loading type...",
                                         "Loading mode...",        "Loading usage...",   "Loading capacity...",
                                         "Done !",                 szLoggerIdleHint};
    EXPECT_EQ(dlg.Progress(), steps);
    EXPECT_EQ(rec.Count(), 0u);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
}

TEST_F(LoggerSimTest, ModeOffShowsUnknownButMovesTheGauge)
{
    StartSim(10, 100);
    sim->SetParam("logger-mode", "off");
    EXPECT_EQ(Run(TASK_REFRESH), 1);
    EXPECT_EQ(dlg.Mode(), "off");
    EXPECT_EQ(dlg.Measure(), "Unknown");
    EXPECT_EQ(dlg.Gauge(), 10);
}

TEST_F(LoggerSimTest, ZeroCapacityGivesZeroPercent)
{
    StartSim(10, 100);
    sim->SetParam("logger-capa", "0");
    EXPECT_EQ(Run(TASK_REFRESH), 1);
    EXPECT_EQ(dlg.Measure(), "10 / 0 (0%)");
    EXPECT_EQ(dlg.Gauge(), 0);
}

TEST_F(LoggerSimTest, EmptyLoggerWritesTheHeadingAlone)
{
    StartSim(0);
    dlg.sChosenFile = dir.File("empty.csv");
    EXPECT_EQ(Run(TASK_DOWNLOAD), 1);
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), ExpectedCsv(0, 0));
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"I:Data successfully downloaded !"}));
    EXPECT_EQ(dlg.Measure(), "0 / 1000 (0%)");
    EXPECT_EQ(dlg.LastProgress(), szLoggerIdleHint);
}

TEST_F(LoggerSimTest, TenThousandRecordsArriveByteForByte)
{
    StartSim(10000, 20000);
    dlg.sChosenFile = dir.File("full.csv");
    EXPECT_EQ(Run(TASK_DOWNLOAD), 1);
    EXPECT_TRUE(ReadFileText(dlg.sChosenFile) == ExpectedCsv(10000, 10000));
    EXPECT_EQ(rec.Last(), "I:Data successfully downloaded !");
    EXPECT_EQ(dlg.Measure(), "10000 / 20000 (50%)");
    // Records of the total and the time the rest takes at the line rate,
    // from the mean line so far: after the heading and record 1, 9999
    // lines of that mean length are left.
    const std::vector<std::string> steps = dlg.Progress();
    ASSERT_GE(steps.size(), 4u);
    const std::string csv = ExpectedCsv(10000, 1);   // heading and record 1, LF-ended
    const unsigned long long left = ((csv.size() + 2) * 9999 / 2 + 11519) / 11520;
    char first[96];
    std::snprintf(first, sizeof first, "Downloading 1 / 10000 (0 %%), %llu:%02llu left..", left / 60, left % 60);
    EXPECT_EQ(steps[7], first);
    EXPECT_EQ(steps[steps.size() - 3], "Downloading 10000 / 10000 (100 %), 0:00 left..");
    EXPECT_EQ(steps[steps.size() - 2], "Done !");
}

TEST_F(LoggerSimTest, SkippedRecordNamesTheExpectedNumberPlusOne)
{
    StartSim(10);
    sim->SetLoggerFault(varnsim::LoggerFault::SkipRecord, 3);
    dlg.sChosenFile = dir.File("skip.csv");
    EXPECT_EQ(Run(TASK_DOWNLOAD), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:" + kPrefix + "Data missed (wait: 4, found: 4)" +
                                                     KeptNote(2, 10, dlg.sChosenFile)}));
    // The window's file keeps what came before the gap.
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), ExpectedCsv(10, 2));
    EXPECT_FALSE(dlg.Locked());
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
}

TEST_F(LoggerSimTest, RecordWithoutSeparatorIsABadLine)
{
    StartSim(10);
    sim->SetLoggerFault(varnsim::LoggerFault::NoSeparator, 5);
    dlg.sChosenFile = dir.File("bad.csv");
    EXPECT_EQ(Run(TASK_DOWNLOAD), 0);
    EXPECT_EQ(rec.Texts(),
              (std::vector<std::string>{"E:" + kPrefix + "Bad line format" + KeptNote(4, 10, dlg.sChosenFile)}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), ExpectedCsv(10, 4));
}

// The records a failed download keeps are in the file when the message
// that names it is shown, not only once it has been acknowledged.
TEST_F(LoggerSimTest, KeptRecordsAreInTheFileWhenTheMessageNamesIt)
{
    StartSim(10);
    sim->SetLoggerFault(varnsim::LoggerFault::NoSeparator, 5);
    dlg.sChosenFile = dir.File("kept.csv");
    static std::string path, seen;
    path = dlg.sChosenFile;
    seen.clear();
    const MessageFn previous = GetMessageHandler();
    SetMessageHandler([](MessageKind, const char*) { seen = ReadFileText(path); });
    EXPECT_EQ(Run(TASK_DOWNLOAD), 0);
    SetMessageHandler(previous);
    EXPECT_EQ(seen, ExpectedCsv(10, 4));
}

TEST_F(LoggerSimTest, SilentSensorEndsWithAReadErrorAfterTheTimeout)
{
    StartSim(10);
    sim->SetLoggerFault(varnsim::LoggerFault::StopAfter, 6);
    dlg.sChosenFile = dir.File("silent.csv");
    const auto start = TickCountMs();
    EXPECT_EQ(Run(TASK_DOWNLOAD, 300), 0);
    EXPECT_GE(TickCountMs() - start, 300u);
    EXPECT_EQ(rec.Texts(),
              (std::vector<std::string>{"E:" + kPrefix + "Serial port read error" + KeptNote(6, 10, dlg.sChosenFile)}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), ExpectedCsv(10, 6));
    EXPECT_EQ(dlg.LastProgress(), "Download failed after 6 of 10 records !");
}

TEST_F(LoggerSimTest, CancelStopsAfterTheCurrentRecord)
{
    StartSim(100);
    dlg.sChosenFile = dir.File("cancel.csv");
    // Cancel from another thread while record 4 is being shown; the loop
    // notices it once that record is written.
    std::thread canceller;
    dlg.onProgress = [&](unsigned, const std::string& text) {
        if (text.rfind("Downloading 4 / ", 0) == 0) {
            canceller = std::thread([&] { cancel.Set(); });
            canceller.join();
        }
    };
    EXPECT_EQ(Run(TASK_DOWNLOAD), 0);
    // One information, no hardware hint: how many records, and where.
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"I:Download cancelled after 4 of 100 records.\nThe records "
                                                     "received are kept in '" + dlg.sChosenFile + "'."}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), ExpectedCsv(100, 4));
    EXPECT_EQ(dlg.LastProgress(), "Download cancelled after 4 of 100 records");
    // The bar stays where the download stopped.
    const auto progresses = dlg.Progresses();
    EXPECT_EQ(progresses.back().first, TASK_POSITION_KEEP);
    EXPECT_EQ(progresses[progresses.size() - 2].first, 4);
    EXPECT_FALSE(cancel.TryWait());
}

TEST_F(LoggerSimTest, CancelGivenWhileIdleDoesNotStopTheNextDownload)
{
    StartSim(20);
    cancel.Set();
    dlg.sChosenFile = dir.File("after-cancel.csv");
    EXPECT_EQ(Run(TASK_DOWNLOAD), 1);
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), ExpectedCsv(20, 20));
}

TEST_F(LoggerSimTest, DecliningTheOverwriteLeavesTheFileAndClosesThePort)
{
    StartSim(10);
    dlg.sChosenFile = dir.File("keep.csv");
    std::ofstream(dlg.sChosenFile) << "precious\n";
    dlg.nAnswer = 0;
    EXPECT_EQ(Run(TASK_DOWNLOAD), 0);
    EXPECT_EQ(dlg.Questions(),
              (std::vector<std::string>{"File '" + dlg.sChosenFile + "' already exists !\nDo you want to overwrite it ?"}));
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), "precious\n");
    EXPECT_EQ(rec.Count(), 0u);
    EXPECT_EQ(dlg.LastProgress(), szLoggerIdleHint);
    EXPECT_FALSE(dlg.Locked());
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    // Nothing reached the sensor: the question comes before the wake-up.
    EXPECT_EQ(sim->Received(), "");

    // Yes overwrites it.
    dlg.nAnswer = 1;
    EXPECT_EQ(Run(TASK_DOWNLOAD), 1);
    EXPECT_EQ(ReadFileText(dlg.sChosenFile), ExpectedCsv(10, 10));
}

TEST_F(LoggerSimTest, CancelledDialogAndUnwritableFileEndIdle)
{
    StartSim(10);
    EXPECT_EQ(Run(TASK_DOWNLOAD), 0);
    EXPECT_EQ(rec.Count(), 0u);
    EXPECT_EQ(dlg.LastProgress(), szLoggerIdleHint);

    dlg.sChosenFile = dir.File("no-such-folder/x.csv");
    EXPECT_EQ(Run(TASK_DOWNLOAD), 0);
    EXPECT_EQ(rec.Last(), "E:Could not open file '" + dlg.sChosenFile + "' for writing !");
    EXPECT_EQ(dlg.States(), (std::vector<int>{1, 0, 1, 0}));
}

TEST_F(LoggerSimTest, EraseAsksFirstThenClearsAndRefreshes)
{
    StartSim(10, 100);
    dlg.nAnswer = 0;
    EXPECT_EQ(Run(TASK_ERASE), 0);
    EXPECT_EQ(sim->Param("logger-usage"), "10");
    // The question names the port and what it destroys, read just before.
    EXPECT_EQ(dlg.Questions(),
              (std::vector<std::string>{"Erase all 10 records from the sensor on " + sim->PortPath() + " ?"}));
    EXPECT_FALSE(dlg.Locked());

    dlg.nAnswer = 1;
    EXPECT_EQ(Run(TASK_ERASE), 1);
    EXPECT_EQ(sim->Param("logger-usage"), "0");
    // Cancel is off while the erase, which cannot be stopped, runs.
    EXPECT_TRUE(dlg.Locked());
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"I:Data successfully erased !"}));
    EXPECT_EQ(dlg.Measure(), "0 / 100 (0%)");
}

TEST_F(LoggerSimTest, NoPortSelectedOrPortMissing)
{
    StartSim(0);
    EXPECT_EQ(ProcessThread(TestJob(TASK_REFRESH, ""), dlg, dlg, cancel), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:No serial port selected !"}));
    EXPECT_TRUE(dlg.States().empty());

    const std::string missing = dir.File("ttyNONE");
    EXPECT_EQ(ProcessThread(TestJob(TASK_REFRESH, missing), dlg, dlg, cancel), 0);
    EXPECT_EQ(rec.Last(), "E:Could not open serial port '" + missing + "' ! (No such file or directory)");
    EXPECT_FALSE(dlg.Locked());
    EXPECT_EQ(dlg.LastProgress(), "Opening serial port...");
}

TEST_F(LoggerSimTest, RefusedGetLeavesLaterFieldsUnknown)
{
    StartSim(10, 100);
    sim->RefuseGet("logger-usage");
    EXPECT_EQ(Run(TASK_REFRESH), 0);
    EXPECT_EQ(dlg.Mode(), "on");
    EXPECT_EQ(dlg.Measure(), "Unknown");
    ASSERT_EQ(rec.Count(), 1u);
    EXPECT_EQ(rec.Last().rfind("E:" + kPrefix + "Could not get parameter 'Datalogger usage' (logger-usage)\n", 0), 0u);
}

}  // namespace
