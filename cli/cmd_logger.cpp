// Logger commands: storage information, download into a CSV file and erase,
// run by the datalogger program's own task code with its time-outs and
// messages.
//
// A download goes to a temporary file beside the target, which takes the
// target's name only once every line has arrived: a failed or interrupted
// download never leaves a half file under that name. Ctrl-C ends a download
// after the current record; a second Ctrl-C ends the program at once.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli.h"
#include "frontend.h"
#include "log.h"
#include "logger_task.h"
#include "profile.h"

namespace {

// The fields a window would show, kept for printing; the download goes to
// a temporary file beside the target.
class CliLoggerView : public LoggerView {
public:
    explicit CliLoggerView(std::string sTarget) : sTarget(std::move(sTarget)) {}

    void ShowMode(const char* szText) override { sMode = szText; }
    void ShowMeasure(const char* szText) override { sMeasure = szText; }
    void ShowGauge(int) override {}

    int SaveFileDialog(char* szPath, size_t uSize) override
    {
        if (sTarget.size() >= uSize) {
            std::fprintf(stderr, "varn: file name too long\n");
            return 0;
        }
        std::snprintf(szPath, uSize, "%s", sTarget.c_str());
        return 1;
    }

    FILE* OpenDownloadFile(const char* szPath) override;
    int CloseDownloadFile(FILE* pFile, const char* szPath, int bComplete) override;

    std::string sMode = "Unknown";
    std::string sMeasure = "Unknown";

private:
    std::string sTarget;
    std::string sTemp;
};

// --- Ctrl-C during a download -------------------------------------------
// The handler may only write to a pipe; a thread turns that into the
// cancel event. The temporary file's name is kept where the handler can
// remove it when a second Ctrl-C ends the program at once.
int tInterruptPipe[2] = {-1, -1};
volatile std::sig_atomic_t nInterrupts = 0;
char szTempForSignal[LOGGER_TEXT_SIZE + 16] = "";

void OnInterrupt(int)
{
    nInterrupts = nInterrupts + 1;
    if (nInterrupts > 1) {
        if (szTempForSignal[0] != '\0')
            unlink(szTempForSignal);
        _exit(130);
    }
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(tInterruptPipe[1], &byte, 1);
}

class InterruptToCancel {
public:
    explicit InterruptToCancel(AutoResetEvent& event)
    {
        if (pipe(tInterruptPipe) != 0)
            return;
        watcher = std::thread([&event] {
            char byte;
            while (read(tInterruptPipe[0], &byte, 1) == 1) {
                if (byte == 0)
                    break;
                std::fprintf(stderr, "\nInterrupted: stopping after the current record (Ctrl-C again to quit)...\n");
                event.Set();
            }
        });
        struct sigaction sa{};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &previous);
        sigaction(SIGTERM, &sa, nullptr);
    }
    ~InterruptToCancel()
    {
        if (!watcher.joinable())
            return;
        sigaction(SIGINT, &previous, nullptr);
        signal(SIGTERM, SIG_DFL);
        const char stop = 0;
        [[maybe_unused]] ssize_t n = write(tInterruptPipe[1], &stop, 1);
        watcher.join();
        close(tInterruptPipe[0]);
        close(tInterruptPipe[1]);
        tInterruptPipe[0] = tInterruptPipe[1] = -1;
    }

private:
    std::thread watcher;
    struct sigaction previous{};
};

FILE* CliLoggerView::OpenDownloadFile(const char* szPath)
{
    std::string temp = std::string(szPath) + ".XXXXXX";
    if (temp.size() >= sizeof szTempForSignal)
        return nullptr;
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return nullptr;
    // mkstemp makes the file private; a CSV gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE* file = fdopen(fd, "w");
    if (file == nullptr) {
        close(fd);
        unlink(temp.c_str());
        return nullptr;
    }
    sTemp = temp;
    std::snprintf(szTempForSignal, sizeof szTempForSignal, "%s", temp.c_str());
    return file;
}

int CliLoggerView::CloseDownloadFile(FILE* pFile, const char* szPath, int bComplete)
{
    bool written = std::fflush(pFile) == 0 && fsync(fileno(pFile)) == 0;
    written = std::fclose(pFile) == 0 && written;
    int ok = 1;
    if (!bComplete) {
        unlink(sTemp.c_str());
        ok = 0;
    } else if (!written) {
        unlink(sTemp.c_str());
        ok = Error("Could not write to file '%s' !", szPath);
    } else if (std::rename(sTemp.c_str(), szPath) != 0) {
        const int err = errno;
        unlink(sTemp.c_str());
        ok = Error("Could not write to file '%s' !\n%s", szPath, std::strerror(err));
    }
    szTempForSignal[0] = '\0';
    return ok;
}

int RunTask(int iTask, const std::vector<std::string>& vArgs, size_t uWords, const char* szUsage)
{
    std::vector<std::string> words = vArgs;
    const bool yes = CliTakeYes(words);
    if (!CliNoOptionsLeft(words))
        return EXIT_USAGE;
    if (words.size() != uWords) {
        std::fprintf(stderr, "Usage: varn %s\n", szUsage);
        return EXIT_USAGE;
    }
    nProgram = PROGRAM_DATALOGGER;
    CliInstallMessages();
    LoggerJob job;
    job.iTask = iTask;
    job.sPort = words[0];
    CliFrontEnd frontEnd(yes);
    CliLoggerView view(uWords > 1 ? words[1] : std::string());
    AutoResetEvent cancel;
    int ok;
    if (iTask == TASK_DOWNLOAD) {
        InterruptToCancel interrupt(cancel);
        ok = ProcessThread(job, frontEnd, view, cancel);
    } else {
        ok = ProcessThread(job, frontEnd, view, cancel);
    }
    if (ok && iTask != TASK_DOWNLOAD)
        std::printf("Mode: %s\nMeasure: %s\n", view.sMode.c_str(), view.sMeasure.c_str());
    return ok ? EXIT_OK : EXIT_FAILED;
}

int RunInfo(const std::vector<std::string>& args)
{
    return RunTask(TASK_REFRESH, args, 1, "logger info PORT");
}

int RunDownload(const std::vector<std::string>& args)
{
    return RunTask(TASK_DOWNLOAD, args, 2, "logger download PORT FILE.csv [--yes]");
}

int RunErase(const std::vector<std::string>& args)
{
    return RunTask(TASK_ERASE, args, 1, "logger erase PORT [--yes]");
}

const VarnCommandGroup tLoggerCommands({
    {"logger info", "PORT", "Show the logger's mode and fill level.", 1, 1, RunInfo},
    {"logger download", "PORT FILE.csv [--yes]",
     "Copy every logger record into FILE.csv; the file appears only when complete. --yes overwrites an "
     "existing file without asking; Ctrl-C stops after the current record.",
     2, 3, RunDownload},
    {"logger erase", "PORT [--yes]",
     "Erase all logger records; asks first unless --yes (without a terminal, --yes is required).", 1, 2,
     RunErase},
});

}  // namespace
