// Log lines, byte dumps, reporters and the start-up frame's globals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "appframe.h"
#include "log.h"
#include "test_support.h"

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_CONFIG, dir.Path().c_str());
        bLogEnabled = 1;
    }
    void TearDown() override { bLogEnabled = 0; }
    std::string LogText() const { return ReadFileText(szLogFile); }

    TempDir dir;
};

TEST_F(LogTest, DumpEscapesEverythingOutsidePrintableAscii)
{
    const unsigned char bytes[] = {'g', 'e', 't', ' ', 0x7E, 0x7F, 0x0A, 0x0D, 0xFF, 0x00, 0x20};
    LogBuffer("READ  : ", bytes, sizeof bytes);
    EXPECT_EQ(LogText(), "READ  : get ~<0x7F><0x0A><0x0D><0xFF><0x00>  (11 bytes)\n");
}

TEST_F(LogTest, DumpOfCommandAndEmptyDump)
{
    LogBuffer("WRITE : ", "get sens-type\r", 14);
    LogBuffer("READ  : ", "", 0);
    EXPECT_EQ(LogText(), "WRITE : get sens-type<0x0D> (14 bytes)\nREAD  :  (0 bytes)\n");
}

TEST_F(LogTest, LinesAppendAndReportersLogBeforeShowing)
{
    MessageRecorder rec;
    Log("Opening serial port '%s'...", "/dev/ttyUSB0");
    EXPECT_EQ(Error("Could not open serial port '%s' !", "X"), 0);
    EXPECT_EQ(Warning("careful"), 0);
    EXPECT_EQ(Info("two\nlines"), 0);
    EXPECT_EQ(LogText(),
              "Opening serial port '/dev/ttyUSB0'...\n"
              "ERROR : Could not open serial port 'X' !\n"
              "WARNING : careful\n"
              "INFO : two\nlines\n");
    ASSERT_EQ(rec.Count(), 3u);
    EXPECT_EQ(rec.Texts()[0], "E:Could not open serial port 'X' !");
    EXPECT_EQ(rec.Texts()[2], "I:two\nlines");
}

TEST_F(LogTest, NothingIsWrittenWhileLoggingIsOff)
{
    MessageRecorder rec;
    bLogEnabled = 0;
    Log("hidden");
    LogBuffer("READ  : ", "x", 1);
    EXPECT_EQ(Error("shown %d", 1), 0);
    EXPECT_FALSE(FileExistsOnDisk(szLogFile));
    EXPECT_EQ(rec.Last(), "E:shown 1");
}

TEST_F(LogTest, LogFileThatCannotBeOpenedIsIgnored)
{
    std::snprintf(szLogFile, sizeof szLogFile, "%s/missing/dir/x.log", dir.Path().c_str());
    EXPECT_EQ(Log("dropped"), 1);
    LogBuffer("READ  : ", "x", 1);
    EXPECT_FALSE(FileExistsOnDisk(szLogFile));
}

TEST_F(LogTest, LogThatCannotBeWrittenIsSaidOnceUntilALineIsWrittenAgain)
{
    MessageRecorder rec;
    const std::string folder = dir.Path();
    std::snprintf(szLogFile, sizeof szLogFile, "%s", folder.c_str());
    Log("one");
    LogBuffer("READ  : ", "x", 1);
    Log("two");
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"W:Could not write to log file '" + folder +
                                                     "' (Is a directory) !"}));

    std::snprintf(szLogFile, sizeof szLogFile, "%s/good.log", folder.c_str());
    Log("written");
    std::snprintf(szLogFile, sizeof szLogFile, "%s/missing/x.log", folder.c_str());
    Log("dropped");
    Log("dropped");
    EXPECT_EQ(rec.Count(), 2u);
    EXPECT_EQ(rec.Last(), "W:Could not write to log file '" + folder + "/missing/x.log' (No such file or directory) !");
    EXPECT_EQ(ReadFileText(folder + "/good.log"), "written\n");
}

TEST_F(LogTest, LogIsNotFollowedThroughALinkNorOpenedOnAFifo)
{
    MessageRecorder rec;
    const std::string victim = dir.File("victim");
    std::ofstream(victim) << "keep\n";
    ASSERT_EQ(symlink(victim.c_str(), dir.File("link.log").c_str()), 0);
    std::snprintf(szLogFile, sizeof szLogFile, "%s", dir.File("link.log").c_str());
    Log("secret");
    EXPECT_EQ(ReadFileText(victim), "keep\n");
    EXPECT_EQ(rec.Count(), 1u);

    // A FIFO with nobody reading would block an ordinary open for ever.
    ASSERT_EQ(mkfifo(dir.File("fifo.log").c_str(), 0600), 0);
    std::snprintf(szLogFile, sizeof szLogFile, "%s", dir.File("fifo.log").c_str());
    Log("line");
    Log("line");
    EXPECT_EQ(rec.Count(), 2u);
    EXPECT_EQ(rec.Last(), "W:Could not write to log file '" + dir.File("fifo.log") + "' (No such device or address) !");
    // A character device is a log too; a line written there ends the notice.
    std::snprintf(szLogFile, sizeof szLogFile, "/dev/null");
    Log("line");
    std::snprintf(szLogFile, sizeof szLogFile, "%s", dir.File("fifo.log").c_str());
    Log("line");
    EXPECT_EQ(rec.Count(), 3u);
}

TEST(LogPrintableTest, ShowsOutsideTextAsADumpWouldAndCutsIt)
{
    EXPECT_EQ(LogPrintable("a\rb~\x7f\xff", 6, 64), "a<0x0D>b~<0x7F><0xFF>");
    EXPECT_EQ(LogPrintable("abcdef", 6, 3), "abc...");
    EXPECT_EQ(LogPrintable("abc", 3, 3), "abc");
    EXPECT_EQ(LogPrintable("", 0, 3), "");
}

TEST_F(LogTest, ReporterTextIsCutToTheProgramsBuffer)
{
    MessageRecorder rec;
    std::string longText(5000, 'x');
    Error("%s", longText.c_str());
    EXPECT_EQ(rec.Last().size(), 2 + 511u);
    AppStartupFrameIn(PROGRAM_SCOPE, dir.Path().c_str());
    Error("%s", longText.c_str());
    EXPECT_EQ(rec.Last().size(), 2 + 4095u);
}

TEST(AppFrameTest, TitleFolderAndPathsPerProgram)
{
    TempDir dir;
    const std::string app = dir.Path();
    AppStartupFrameIn(PROGRAM_CONFIG, (app + "/").c_str());
    EXPECT_STREQ(szAppTitle, "VARN-CONFIG V1.60 (linux64)");
    EXPECT_EQ(std::string(szAppDir), app);
    EXPECT_EQ(std::string(szLogFile), app + "/VARN-Config.log");
    EXPECT_EQ(std::string(szProgExampleDir), app + "/Examples");
    EXPECT_EQ(bLogEnabled.load(), 0);

    AppStartupFrameIn(PROGRAM_DATALOGGER, app.c_str());
    EXPECT_STREQ(szAppTitle, "VARN-LOGGER V1.26 (linux64)");
    EXPECT_EQ(std::string(szLogFile), app + "/VARN-Datalogger.log");

    AppStartupFrameIn(PROGRAM_INSTALL, app.c_str());
    EXPECT_STREQ(szAppTitle, "VARN-INSTALL V1.29 (linux64)");
    EXPECT_STREQ(szProgExampleDir, "");
}

// "/" is the application folder "" (the separator is cut), whose log is
// "/VARN-Config.log" for whoever may write there.
TEST(AppFrameTest, RootFolderLosesItsSeparator)
{
    // A user who may not write "/" gets the log in the state folder: a
    // scratch one here, not the real home's.
    TempDir state;
    setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
    AppStartupFrameIn(PROGRAM_CONFIG, "/");
    unsetenv("XDG_STATE_HOME");
    EXPECT_STREQ(szAppDir, "");
    EXPECT_EQ(std::string(szLogFile),
              access("/", W_OK) == 0 ? "/VARN-Config.log" : state.Path() + "/varn/VARN-Config.log");
}

}  // namespace
