// The per-user runtime folders: where they are, and that only a private
// folder of this user is used.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "portdir.h"
#include "serial_port.h"
#include "test_support.h"

namespace {

// Sets XDG_RUNTIME_DIR for one test and restores it afterwards.
class RuntimeEnv {
public:
    explicit RuntimeEnv(const char* szValue)
    {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        bHad = old != nullptr;
        if (bHad)
            sOld = old;
        if (szValue != nullptr)
            setenv("XDG_RUNTIME_DIR", szValue, 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }
    ~RuntimeEnv()
    {
        if (bHad)
            setenv("XDG_RUNTIME_DIR", sOld.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }

private:
    bool bHad = false;
    std::string sOld;
};

unsigned ModeOf(const std::string& sPath)
{
    struct stat st {};
    return lstat(sPath.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 0777) : 0u;
}

std::string Prepare(const std::string& sDir, RuntimeDirOpen nOpen)
{
    std::string error;
    return RuntimeDirPrepare(sDir, nOpen, &error) ? std::string("ok") : error;
}

}  // namespace

TEST(RuntimeDir, SessionFolderWhenItExistsElseTmpWithTheUserId)
{
    TempDir session;
    const std::string uid = std::to_string(getuid());
    {
        RuntimeEnv env(session.Path().c_str());
        EXPECT_EQ(RuntimeDir("varn-x"), session.Path() + "/varn-x");
        EXPECT_EQ(SerialVirtualPortDir(), session.Path() + "/varn-ports");
        EXPECT_EQ(InstanceSocketDir(), session.Path() + "/varn-instance");
    }
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "/nonexistent/run/user/4711"}) {
        RuntimeEnv env(unusable);
        EXPECT_EQ(SerialVirtualPortDir(), "/tmp/varn-ports-" + uid);
        EXPECT_EQ(InstanceSocketDir(), "/tmp/varn-instance-" + uid);
    }
    // A file is no session folder either.
    const std::string file = session.File("file");
    std::ofstream(file) << "x";
    RuntimeEnv env(file.c_str());
    EXPECT_EQ(RuntimeDir("varn-x"), "/tmp/varn-x-" + uid);
}

TEST(RuntimeDir, MissingFolderIsCreatedPrivate)
{
    TempDir base;
    const std::string dir = base.File("varn-instance");
    ASSERT_EQ(Prepare(dir, RUNTIME_DIR_REFUSE), "ok");
    EXPECT_EQ(ModeOf(dir), 0700u);
    EXPECT_EQ(Prepare(dir, RUNTIME_DIR_REFUSE), "ok");   // already there

    const std::string orphan = base.File("no/such/parent");
    EXPECT_EQ(Prepare(orphan, RUNTIME_DIR_TIGHTEN).rfind("Could not create folder '" + orphan + "' (", 0), 0u);
}

TEST(RuntimeDir, OpenFolderIsRefusedOrTightenedAsAsked)
{
    TempDir base;
    const std::string dir = base.File("open");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    EXPECT_EQ(Prepare(dir, RUNTIME_DIR_REFUSE), "Folder '" + dir + "' is open to other users (mode 777)");
    EXPECT_EQ(ModeOf(dir), 0777u);   // refused, not changed
    ASSERT_EQ(chmod(dir.c_str(), 0710), 0);
    EXPECT_EQ(Prepare(dir, RUNTIME_DIR_REFUSE), "Folder '" + dir + "' is open to other users (mode 710)");

    EXPECT_EQ(Prepare(dir, RUNTIME_DIR_TIGHTEN), "ok");
    EXPECT_EQ(ModeOf(dir), 0700u);
}

TEST(RuntimeDir, OnlyARealFolderIsAccepted)
{
    TempDir base;
    const std::string target = base.File("target");
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    // A link to a private folder still leads wherever its maker chose.
    const std::string link = base.File("link");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string file = base.File("file");
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    for (RuntimeDirOpen open : {RUNTIME_DIR_REFUSE, RUNTIME_DIR_TIGHTEN}) {
        EXPECT_EQ(Prepare(link, open), "'" + link + "' is not a folder");
        EXPECT_EQ(Prepare(file, open), "'" + file + "' is not a folder");
    }
}

TEST(RuntimeDir, FolderOfAnotherUserIsRefused)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    TempDir base;
    const std::string dir = base.File("foreign");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(chown(dir.c_str(), 4711, 4711), 0);
    for (RuntimeDirOpen open : {RUNTIME_DIR_REFUSE, RUNTIME_DIR_TIGHTEN})
        EXPECT_EQ(Prepare(dir, open), "Folder '" + dir + "' belongs to another user (uid 4711)");
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    EXPECT_EQ(Prepare(dir, RUNTIME_DIR_TIGHTEN), "Folder '" + dir + "' belongs to another user (uid 4711)");
    EXPECT_EQ(ModeOf(dir), 0777u);   // another user's folder is never changed
}

// The port list opens the links of the port folder: only the user's private
// folder is looked into, and only links to character devices are taken.
TEST(RuntimeDir, PortListTrustsOnlyAPrivatePortFolderAndDeviceLinks)
{
    TempDir session;
    RuntimeEnv env(session.Path().c_str());
    const std::string dir = SerialVirtualPortDir();
    auto listed = [&dir] {
        std::vector<std::string> found;
        for (const std::string& port : SerialPortCandidates()) {
            if (port.rfind(dir + "/", 0) == 0)
                found.push_back(port.substr(dir.size() + 1));
        }
        return found;
    };
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/null", (dir + "/dev").c_str()), 0);
    const std::string file = session.File("secret");
    std::ofstream(file) << "x";
    ASSERT_EQ(symlink(file.c_str(), (dir + "/file").c_str()), 0);

    std::string why;
    EXPECT_FALSE(PortDirTrusted(dir, &why));
    EXPECT_EQ(why, "Folder '" + dir + "' is not private to its user (mode 755)");
    EXPECT_TRUE(listed().empty());

    ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
    EXPECT_EQ(listed(), std::vector<std::string>{"dev"});

    if (getuid() == 0) {
        ASSERT_EQ(chown(dir.c_str(), 4711, 4711), 0);
        EXPECT_TRUE(listed().empty());
    }
}
