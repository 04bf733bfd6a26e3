#include "install_test_support.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

std::vector<std::string> BarTexts(const RecordingFrontEnd& fe)
{
    std::vector<std::string> out;
    for (const auto& p : fe.Progresses()) {
        if (p.first != TASK_POSITION_KEEP)
            out.push_back(p.second);
    }
    return out;
}

std::vector<std::string> PlainTexts(const RecordingFrontEnd& fe)
{
    std::vector<std::string> out;
    for (const auto& p : fe.Progresses()) {
        if (p.first == TASK_POSITION_KEEP)
            out.push_back(p.second);
    }
    return out;
}

OtherFsDir::OtherFsDir()
{
    struct stat shm, tmp;
    const char* base = std::getenv("TMPDIR");
    const std::string tmpRoot = base != nullptr && base[0] != '\0' ? base : "/tmp";
    if (stat("/dev/shm", &shm) != 0 || stat(tmpRoot.c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev ||
        access("/dev/shm", W_OK) != 0)
        return;
    std::string tmpl = "/dev/shm/varn-test-XXXXXX";
    if (mkdtemp(tmpl.data()) != nullptr)
        sPath = tmpl;
}

OtherFsDir::~OtherFsDir()
{
    if (!sPath.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(sPath, ec);
    }
}

bool WriteFile(const std::string& sPath, const std::string& sBytes, unsigned uMode)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(sPath).parent_path(), ec);
    std::FILE* f = std::fopen(sPath.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(sBytes.data(), 1, sBytes.size(), f) == sBytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok && chmod(sPath.c_str(), uMode) == 0;
}

unsigned FileMode(const std::string& sPath)
{
    struct stat st;
    return stat(sPath.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool CopyStandin(const std::string& sPath)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(sPath).parent_path(), ec);
    std::filesystem::copy_file(VARN_STANDIN_EXE, sPath, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec && chmod(sPath.c_str(), 0755) == 0;
}

pid_t StartRunningProgram(const std::string& sPath)
{
    std::error_code ec;
    std::filesystem::copy_file("/bin/sleep", sPath, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        execl(sPath.c_str(), sPath.c_str(), "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Running under its name once its image is the copy.
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    WaitUntil(
        [&] {
            char target[4096];
            const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            return n > 0 && std::string(target, static_cast<size_t>(n)) == sPath;
        },
        5000);
    return pid;
}

bool ChildEnded(pid_t pid, unsigned uMs)
{
    return WaitUntil([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, uMs);
}

void InstallTest::SetUp()
{
    AppStartupFrameIn(PROGRAM_INSTALL, app.Path().c_str());
    UseTmpDir(tmp.Path());
    nOpTotal = 0;
    tInstallWaits = InstallWaits{0, 0, 0};
    InstallSetFrontEnd(&fe);
}

void InstallTest::TearDown()
{
    InstallSetFrontEnd(nullptr);
    tInstallWaits = InstallWaits();
}

void InstallTest::UseTmpDir(const std::string& sDir)
{
    sTmp = sDir;
    std::snprintf(szLocalTmpDir, sizeof szLocalTmpDir, "%s", sDir.c_str());
}

void InstallTest::Script(const std::string& sText)
{
    ASSERT_TRUE(WriteFile(ScriptPath(), sText));
}

std::string InstallTest::ScriptPath() const
{
    return sTmp + "/VARN-Update.install";
}

bool InstallTest::ScriptExists() const
{
    return FileExistsOnDisk(ScriptPath());
}

bool InstallTest::RunInstall()
{
    return ParseScript(0) == 1 && ParseScript(1) == 1;
}
