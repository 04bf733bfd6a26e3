#include "test_support.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <thread>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "worker.h"

namespace {
std::mutex mRecorded;
std::vector<std::string> vRecorded;
}  // namespace

MessageRecorder::MessageRecorder() : pfnPrevious(GetMessageHandler())
{
    std::lock_guard<std::mutex> lock(mRecorded);
    vRecorded.clear();
    SetMessageHandler(Record);
}

MessageRecorder::~MessageRecorder()
{
    SetMessageHandler(pfnPrevious);
}

void MessageRecorder::Record(MessageKind nKind, const char* szText)
{
    static const char* const tKind[] = {"E:", "W:", "I:"};
    std::lock_guard<std::mutex> lock(mRecorded);
    vRecorded.push_back(std::string(tKind[nKind]) + szText);
}

std::vector<std::string> MessageRecorder::Texts() const
{
    std::lock_guard<std::mutex> lock(mRecorded);
    return vRecorded;
}

std::string MessageRecorder::Last() const
{
    std::lock_guard<std::mutex> lock(mRecorded);
    return vRecorded.empty() ? std::string() : vRecorded.back();
}

size_t MessageRecorder::Count() const
{
    std::lock_guard<std::mutex> lock(mRecorded);
    return vRecorded.size();
}

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/varn-test-XXXXXX";
    if (mkdtemp(tmpl.data()) != nullptr)
        sPath = tmpl;
}

TempDir::~TempDir()
{
    if (!sPath.empty())
        std::system(("rm -rf '" + sPath + "'").c_str());
}

std::string ReadFileText(const std::string& sPath)
{
    std::ifstream in(sPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool FileExistsOnDisk(const std::string& sPath)
{
    struct stat st{};
    return stat(sPath.c_str(), &st) == 0;
}

pid_t SpawnProgram(const char* szPath, const std::vector<std::string>& vArgs, const std::string& sOut,
                   const std::string& sErr)
{
    pid_t pid = fork();
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(sOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(sErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv{const_cast<char*>(szPath)};
        for (const std::string& a : vArgs)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(szPath, argv.data());
        _exit(127);
    }
    return pid;
}

int WaitProgram(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool WaitUntil(const std::function<bool()>& pred, unsigned uTimeoutMs)
{
    // The core's bounded wait, checking every millisecond whatever wait
    // pump the test installed.
    return WaitWithPump(pred, uTimeoutMs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
}

pid_t CurrentThreadId()
{
    return static_cast<pid_t>(syscall(SYS_gettid));
}

namespace {

// The system call the thread nTid of this process is blocked in, -1 while
// it runs: the first field of the task's syscall file.
long BlockedIn(pid_t nTid)
{
    const std::string call = ReadFileText("/proc/self/task/" + std::to_string(nTid) + "/syscall");
    try {
        return std::stol(call);
    } catch (...) {
        return -1;
    }
}

}  // namespace

bool ThreadWaitsInPoll(pid_t nTid)
{
    const long number = BlockedIn(nTid);
#ifdef SYS_poll
    if (number == SYS_poll)
        return true;
#endif
    return number == SYS_ppoll;
}

bool ThreadWaitsOnLock(pid_t nTid)
{
    return BlockedIn(nTid) == SYS_futex;
}
