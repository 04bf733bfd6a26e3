// Where the programs keep their own files: beside the programs when that
// folder can be written, else in the user's XDG folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "appframe.h"
#include "statedir.h"
#include "test_support.h"

namespace {

// Sets an environment variable for one test and puts the old value back.
class EnvValue {
public:
    EnvValue(const char* szName, const char* szValue) : sName(szName)
    {
        const char* old = std::getenv(szName);
        bHad = old != nullptr;
        if (bHad)
            sOld = old;
        if (szValue != nullptr)
            setenv(szName, szValue, 1);
        else
            unsetenv(szName);
    }
    ~EnvValue()
    {
        if (bHad)
            setenv(sName.c_str(), sOld.c_str(), 1);
        else
            unsetenv(sName.c_str());
    }

private:
    std::string sName, sOld;
    bool bHad = false;
};

}  // namespace

TEST(StateDirTest, AWritableApplicationFolderKeepsEverythingElseTheUsersFoldersDo)
{
    TempDir dir;
    const std::string app = dir.Path() + "/app";
    ASSERT_EQ(mkdir(app.c_str(), 0755), 0);
    EnvValue state("XDG_STATE_HOME", (dir.Path() + "/state").c_str());
    EnvValue config("XDG_CONFIG_HOME", (dir.Path() + "/config").c_str());
    EXPECT_EQ(AppFileDirFor(app, APP_FILE_STATE), app);
    EXPECT_EQ(AppFileDirFor(app, APP_FILE_CONFIG), app);

    // An application folder this user cannot write (one that is not there
    // stands for it, also when the tests run as root).
    const std::string system = dir.Path() + "/opt/varn";
    EXPECT_EQ(AppFileDirFor(system, APP_FILE_STATE), dir.Path() + "/state/varn");
    EXPECT_EQ(AppFileDirFor(system, APP_FILE_CONFIG), dir.Path() + "/config/varn");
    struct stat st{};
    ASSERT_EQ(stat((dir.Path() + "/state/varn").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // The log follows the same choice.
    AppStartupFrameIn(PROGRAM_SCOPE, system.c_str());
    EXPECT_EQ(std::string(szLogFile), dir.Path() + "/state/varn/VARN-Scope.log");
    EXPECT_EQ(std::string(szAppDir), system);
}

TEST(StateDirTest, RelativeXdgValuesAreIgnoredForTheHomeFolders)
{
    TempDir dir;
    EnvValue home("HOME", dir.Path().c_str());
    EnvValue state("XDG_STATE_HOME", "relative/state");
    EnvValue config("XDG_CONFIG_HOME", nullptr);
    const std::string system = dir.Path() + "/missing";
    EXPECT_EQ(AppFileDirFor(system, APP_FILE_STATE), dir.Path() + "/.local/state/varn");
    EXPECT_EQ(AppFileDirFor(system, APP_FILE_CONFIG), dir.Path() + "/.config/varn");
}
