// The desktop opener behind "User Guide", "Programming Examples..." and
// "Open application directory...": a desktop that cannot open the file or
// folder is reported with its path, never silently ignored.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

#include "appframe.h"
#include "opener.h"
#include "suite.h"
#include "test_support.h"
#include "waitpump.h"

namespace {

class OpenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* path = std::getenv("PATH");
        sSavedPath = path != nullptr ? path : "";
        // Only the fake opener (or none) is found.
        setenv("PATH", bin.Path().c_str(), 1);
        AppStartupFrameIn(PROGRAM_TERMINAL, app.Path().c_str());
        SetDesktopOpenHandler(UiDesktopOpen);
    }
    void TearDown() override
    {
        SetDesktopOpenHandler(nullptr);
        setenv("PATH", sSavedPath.c_str(), 1);
    }
    // An opener that notes what it was given and ends with nCode.
    void FakeOpener(int nCode)
    {
        const std::string script = bin.File("xdg-open");
        std::ofstream(script) << "#!/bin/sh\necho \"$1\" > '" << bin.File("seen") << "'\nexit " << nCode << "\n";
        chmod(script.c_str(), 0755);
    }
    std::string Seen() { return FileExistsOnDisk(bin.File("seen")) ? ReadFileText(bin.File("seen")) : ""; }

    TempDir bin;
    TempDir app;
    MessageRecorder rec;
    std::string sSavedPath;
};

}  // namespace

TEST_F(OpenerTest, TheUserGuideThatCannotBeOpenedIsReportedWithItsPath)
{
    FakeOpener(3);
    mkdir(app.File("Docs").c_str(), 0755);
    const std::string guide = app.File("Docs/VARN-UserGuide.pdf");
    std::ofstream(guide) << "%PDF-1.4\n";
    EXPECT_EQ(OpenDoc(SUITE_USER_GUIDE), 1);
    ASSERT_TRUE(UiWaitFor([&] { return rec.Count() > 0; }, 5000));
    EXPECT_EQ(Seen(), guide + "\n");
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"E:Could not open '" + guide +
                                                    "' !\n(no program is set up on this desktop to open it)\n"
                                                    "Please open it by hand."});
}

TEST_F(OpenerTest, AFolderTheDesktopOpensIsNotReported)
{
    FakeOpener(0);
    EXPECT_EQ(OpenDir(app.Path().c_str()), 1);
    ASSERT_TRUE(UiWaitFor([&] { return !Seen().empty(); }, 5000));
    EXPECT_EQ(Seen(), app.Path() + "\n");
    // The verdict comes through the pipe right after the opener ended.
    EXPECT_FALSE(UiWaitFor([&] { return rec.Count() > 0; }, 300));
}

TEST_F(OpenerTest, WithoutAnyOpenerTheFolderIsReportedAtOnce)
{
    EXPECT_FALSE(UiDesktopOpen(app.Path()));
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"E:Could not open '" + app.Path() +
                                                    "' !\n(no program is set up on this desktop to open it)\n"
                                                    "Please open it by hand."});
}
