// The command line's three modes, and the two that need no window.
#include <gtest/gtest.h>

#include "install_files.h"
#include "install_test_support.h"

namespace {

InstallCommand Parse(std::vector<std::string> vArgs)
{
    std::vector<const char*> argv{"VARN-Install"};
    for (const std::string& a : vArgs)
        argv.push_back(a.c_str());
    return InstallParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

TEST(InstallCommandLine, ExactArgumentCountsSelectTheMode)
{
    InstallCommand c = Parse({"install", "/tmp/update 1"});
    EXPECT_EQ(c.nMode, INSTALL_MODE_INSTALL);
    EXPECT_EQ(c.sTmpDir, "/tmp/update 1");
    c = Parse({"self", "/t", "/t/VARN-Install", "/a/VARN-Install"});
    EXPECT_EQ(c.nMode, INSTALL_MODE_SELF);
    EXPECT_EQ(c.sSource, "/t/VARN-Install");
    EXPECT_EQ(c.sDest, "/a/VARN-Install");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"install"}, {"install", "/t", "extra"}, {"self", "/t", "/s"}, {"self", "/t", "/s", "/d", "/e"},
             {"INSTALL", "/t"}, {"check"}, {"install", std::string(INSTALL_PATH_MAX + 1, 'p')}}) {
        EXPECT_EQ(Parse(args).nMode, INSTALL_MODE_HANDOVER) << args.size();
    }
    EXPECT_EQ(Parse({"install", std::string(INSTALL_PATH_MAX, 'p')}).nMode, INSTALL_MODE_INSTALL);
    EXPECT_EQ(Parse({"check"}).sCmd, "check");
    EXPECT_EQ(Parse({}).sCmd, "");
}

TEST_F(InstallTest, SelfModeWithoutTheNewInstallerKeepsTheOldOne)
{
    ASSERT_TRUE(WriteFile(App("VARN-Install"), "old installer", 0755));
    EXPECT_EQ(InstallSelfMode(sTmp.c_str(), Tmp("VARN-Install").c_str(), App("VARN-Install").c_str()), 0);
    EXPECT_EQ(messages.Last(), "E:Could not self install 'VARN-Install' (File '" + Tmp("VARN-Install") +
                                   "' not found) !");
    EXPECT_EQ(ReadFileText(App("VARN-Install")), "old installer");

    ASSERT_TRUE(WriteFile(Tmp("VARN-Install"), "new", 0755));
    EXPECT_EQ(InstallSelfMode(sTmp.c_str(), Tmp("VARN-Install").c_str(), App("no-dir/VARN-Install").c_str()), 0);
    EXPECT_EQ(messages.Last(), "E:Could not self install 'VARN-Install' (Could not move file '" + Tmp("VARN-Install") +
                                   "' to '" + App("no-dir/VARN-Install") + "') !");
}
