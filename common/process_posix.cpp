// POSIX part of the process utilities: fork and exec, /proc, signals.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "process.h"

bool ProcessStartDetached(const std::string& sPath, const std::vector<std::string>& vArgs,
                          const std::string& sWorkDir, std::string* pError)
{
    // Everything the child needs is prepared before fork: after it, a
    // multi-threaded program may only make async-signal-safe calls.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(sPath.c_str()));
    for (const std::string& a : vArgs)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // The grandchild reports a failed chdir or exec through a pipe that
    // closes by itself on a successful exec.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        if (pError != nullptr)
            *pError = std::strerror(errno);
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        int err = errno;
        close(fds[0]);
        close(fds[1]);
        if (pError != nullptr)
            *pError = std::strerror(err);
        return false;
    }
    if (child == 0) {
        close(fds[0]);
        pid_t grandchild = fork();
        if (grandchild != 0)
            _exit(grandchild < 0 ? 1 : 0);
        setsid();
        // The caller's thread may block signals; the new program starts clean.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        int err = 0;
        if (!sWorkDir.empty() && chdir(sWorkDir.c_str()) != 0)
            err = errno;
        else {
            execv(argv[0], argv.data());
            err = errno;
        }
        ssize_t w = write(fds[1], &err, sizeof err);
        (void)w;
        _exit(127);
    }
    close(fds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = read(fds[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    close(fds[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (pError != nullptr)
            *pError = "Could not fork";
        return false;
    }
    if (n == static_cast<ssize_t>(sizeof err)) {
        if (pError != nullptr)
            *pError = std::strerror(err);
        return false;
    }
    return true;
}

namespace {

// The executable's full path of a process; empty when it cannot be read
// (another user's process, a kernel thread, gone).
std::string ExecutablePath(const char* szPid)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%s/exe", szPid);
    char target[4096];
    ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return std::string();
    std::string path(target, static_cast<size_t>(n));
    // A program whose file was replaced while running still runs under its name.
    static const char kDeleted[] = " (deleted)";
    if (path.size() > sizeof kDeleted - 1 && path.compare(path.size() - (sizeof kDeleted - 1), std::string::npos, kDeleted) == 0)
        path.resize(path.size() - (sizeof kDeleted - 1));
    return path;
}

// true once the process is gone (or a zombie: it has ended, only its parent
// has not collected it yet).
bool ProcessEnded(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    std::ifstream f(path);
    if (!f)
        return true;
    std::string line;
    std::getline(f, line);
    size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && (line[close + 2] == 'Z' || line[close + 2] == 'X');
}

}  // namespace

bool ProcessSnapshot(std::vector<ProcessEntry>* pList)
{
    pList->clear();
    DIR* dir = opendir("/proc");
    if (dir == nullptr)
        return false;
    while (dirent* e = readdir(dir)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0' || pid <= 0)
            continue;
        std::string path = ExecutablePath(e->d_name);
        if (path.empty())
            continue;
        const size_t sep = path.rfind('/');
        std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
        pList->push_back({pid, std::move(name), std::move(path)});
    }
    closedir(dir);
    return true;
}

std::string ProcessProgramPath(const char* szPath)
{
    char real[PATH_MAX];
    if (realpath(szPath, real) != nullptr)
        return real;
    return szPath;
}

ProcessId ProcessCurrentId()
{
    return static_cast<ProcessId>(getpid());
}

bool ProcessTerminate(ProcessId nId, unsigned uWaitMs)
{
    const pid_t pid = static_cast<pid_t>(nId);
    if (kill(pid, SIGKILL) != 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(uWaitMs);
    while (!ProcessEnded(pid) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}

bool ProcessStartWatched(const std::string& sPath, const std::string& sArg, ProcessWatch* pWatch)
{
    // Everything the children need is prepared before fork: after it, only
    // async-signal-safe calls.
    char* argv[] = {const_cast<char*>(sPath.c_str()), const_cast<char*>(sArg.c_str()), nullptr};
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t watcher = fork();
    if (watcher < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (watcher == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_IGN);   // the program may be gone when the status comes
        unsigned char code = PROCESS_STATUS_LOST;
        const pid_t child = fork();
        if (child == 0) {
            execv(argv[0], argv);
            _exit(PROCESS_NOT_STARTED);
        }
        int status = 0;
        if (child > 0) {
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            if (WIFEXITED(status))
                code = static_cast<unsigned char>(WEXITSTATUS(status));
        }
        ssize_t n = write(fds[1], &code, 1);
        (void)n;
        _exit(0);
    }
    close(fds[1]);
    pWatch->nStatusFd = fds[0];
    pWatch->nWatcher = watcher;
    return true;
}

unsigned char ProcessWatchedStatus(const ProcessWatch& watch)
{
    unsigned char code = PROCESS_STATUS_LOST;
    ssize_t n;
    do {
        n = read(watch.nStatusFd, &code, 1);
    } while (n < 0 && errno == EINTR);
    close(watch.nStatusFd);
    while (waitpid(static_cast<pid_t>(watch.nWatcher), nullptr, 0) < 0 && errno == EINTR) {
    }
    return n == 1 ? code : PROCESS_STATUS_LOST;
}
