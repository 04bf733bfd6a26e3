// Suite integration: the daily update check and its marker, starting
// sibling programs, opening documents and folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "appframe.h"
#include "standin.h"
#include "suite.h"

namespace {

class SuiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_TERMINAL, app.Path().c_str());
        SetSuiteTodayHandler([] { return std::string("20261207"); });
        SetDesktopOpenHandler([this](const std::string& target) {
            std::lock_guard<std::mutex> lock(mOpened);
            vOpened.push_back(target);
            return true;
        });
    }
    void TearDown() override
    {
        SetSuiteTodayHandler(nullptr);
        SetDesktopOpenHandler(nullptr);
    }
    std::string Marker() const { return ReadFileText(app.File(SUITE_UPDATE_MARKER)); }
    void SetMarker(const std::string& text) { ASSERT_TRUE(FileWriteOk(app.File(SUITE_UPDATE_MARKER), text)); }
    // The updater stand-in leaves a record when it runs; give it time to.
    std::string UpdaterRecord(unsigned ms = 3000) const { return WaitStandinRecord(app.Path(), ms); }

    TempDir app;
    MessageRecorder messages;
    std::mutex mOpened;
    std::vector<std::string> vOpened;
};

}  // namespace

TEST_F(SuiteTest, MarkerSwitchedOffSkipsTheCheck)
{
    ASSERT_TRUE(InstallStandin(app.Path(), SUITE_UPDATE_PROGRAM));
    SetMarker("0|20200101");
    EXPECT_EQ(StartupCheckUpdate(), 0);
    EXPECT_EQ(UpdaterRecord(300), "");
    EXPECT_EQ(Marker(), "0|20200101");
}

TEST_F(SuiteTest, MarkerOfTodaySkipsTheCheck)
{
    ASSERT_TRUE(InstallStandin(app.Path(), SUITE_UPDATE_PROGRAM));
    SetMarker("1|20261207");
    EXPECT_EQ(StartupCheckUpdate(), 1);
    EXPECT_EQ(UpdaterRecord(300), "");
    EXPECT_EQ(Marker(), "1|20261207");
}

TEST_F(SuiteTest, MarkerOfYesterdayStartsTheUpdaterSilently)
{
    ASSERT_TRUE(InstallStandin(app.Path(), SUITE_UPDATE_PROGRAM));
    SetMarker("1|20261206");
    EXPECT_EQ(StartupCheckUpdate(), 1);
    EXPECT_EQ(UpdaterRecord(), "name=VARN-Update\ncwd=" + app.Path() + "\narg=silent\n\n");
    EXPECT_EQ(Marker(), "1|20261207");
}

TEST_F(SuiteTest, MarkerWithLineEndCountsAsMissing)
{
    ASSERT_TRUE(InstallStandin(app.Path(), SUITE_UPDATE_PROGRAM));
    SetMarker("0|19700101\n");   // 11 characters: not a valid marker, even with the flag 0
    EXPECT_EQ(StartupCheckUpdate(), 1);
    EXPECT_EQ(UpdaterRecord(), "name=VARN-Update\ncwd=" + app.Path() + "\narg=silent\n\n");
    EXPECT_EQ(Marker(), "1|20261207");
}

TEST_F(SuiteTest, MissingUpdaterLeavesTheMarkerAlone)
{
    EXPECT_EQ(StartupCheckUpdate(), 1);
    EXPECT_FALSE(FileExistsOnDisk(app.File(SUITE_UPDATE_MARKER)));
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SuiteTest, ToggleWritesTheOldDateSoTheNextStartChecks)
{
    EXPECT_EQ(SetStartupCheckUpdate(1), 0);
    EXPECT_EQ(Marker(), "0|19700101");
    EXPECT_EQ(SetStartupCheckUpdate(0), 1);
    EXPECT_EQ(Marker(), "1|19700101");
}

TEST_F(SuiteTest, ExecToolsOfAMissingProgramReports)
{
    EXPECT_EQ(ExecTools("VARN-Scope", ""), 0);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"E:File '" + app.File("VARN-Scope") + "' not found !"});
}

TEST_F(SuiteTest, ExecToolsStartsInTheApplicationFolder)
{
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Update"));
    TempDir elsewhere;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.Path());   // the caller's own folder does not matter
    EXPECT_EQ(ExecTools("VARN-Update", "check"), 1);
    std::filesystem::current_path(before);
    EXPECT_EQ(UpdaterRecord(), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SuiteTest, ExecToolsReportsAFileThatCannotRun)
{
    ASSERT_TRUE(FileWriteOk(app.File("VARN-Flash"), "not a program"));
    EXPECT_EQ(ExecTools("VARN-Flash", ""), 0);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().rfind("E:Could not start '" + app.File("VARN-Flash") + "' !\n(", 0), 0u);
}

TEST_F(SuiteTest, OpenDocAndOpenDirCheckTheirTargets)
{
    EXPECT_EQ(OpenDoc(SUITE_USER_GUIDE), 0);
    EXPECT_EQ(messages.Last(), "E:File '" + app.Path() + "/Docs/VARN-UserGuide.pdf' not found !");
    EXPECT_EQ(OpenDir(szProgExampleDir), 0);
    EXPECT_EQ(messages.Last(), "E:Directory '" + app.Path() + "/Examples' not found !");

    std::filesystem::create_directories(app.File("Docs"));
    std::filesystem::create_directories(app.File("Examples"));
    ASSERT_TRUE(FileWriteOk(app.File("Docs/VARN-UserGuide.pdf"), "%PDF"));
    EXPECT_EQ(OpenDoc(SUITE_USER_GUIDE), 1);
    EXPECT_EQ(OpenDir(szProgExampleDir), 1);
    EXPECT_EQ(messages.Count(), 2u);
    std::lock_guard<std::mutex> lock(mOpened);
    EXPECT_EQ(vOpened, (std::vector<std::string>{app.File("Docs/VARN-UserGuide.pdf"), app.File("Examples")}));
}
