// Logger commands: storage information, download into a CSV file and erase,
// run by the datalogger program's own task code with its time-outs and
// messages.
//
// A download goes to a temporary file beside the target, which takes the
// target's name only once every line has arrived: a failed or interrupted
// download never leaves a half file under that name. Only an absent target
// or a regular file is replaced that way; "-" writes the records to standard
// output as they come. Ctrl-C, SIGTERM or SIGHUP ends a download after the
// current record; a second one ends the program at once, without leaving
// the temporary file behind.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli.h"
#include "cli_interrupt.h"
#include "fileio.h"
#include "frontend.h"
#include "log.h"
#include "logger_task.h"
#include "profile.h"

namespace {

constexpr char szStandardOutput[] = "-";

// 1 when the download may be written to szPath; otherwise reports why.
int CheckDownloadTarget(const char* szPath)
{
    if (std::strcmp(szPath, szStandardOutput) == 0)
        return 1;
    int err = 0;
    if (const char* kind = LoggerTargetKind(szPath, &err))
        return Error("Could not open file '%s' for writing : it is a %s, not a regular file (give '-' to write to "
                     "standard output) !",
                     szPath, kind);
    if (err != 0)
        return Error("Could not open file '%s' for writing !\n%s", szPath, std::strerror(err));
    return 1;
}

// The temporary name beside sPath: its name with ".XXXXXX" appended, the
// name cut first (between two characters) where that would pass the
// folder's limit for a name, so that a legal name stays legal.
std::string TemporaryName(const std::string& sPath)
{
    constexpr char szSuffix[] = ".XXXXXX";
    const size_t slash = sPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : sPath.substr(0, slash);
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const long limit = FileNameMax(folder.c_str());
    const size_t room = static_cast<size_t>(limit) - (sizeof szSuffix - 1);
    size_t keep = sPath.size() - nameAt;
    if (keep > room) {
        keep = room;
        // Not inside a UTF-8 sequence.
        while (keep > 0 && (static_cast<unsigned char>(sPath[nameAt + keep]) & 0xC0) == 0x80)
            keep--;
    }
    return sPath.substr(0, nameAt + keep) + szSuffix;
}

// Removes what downloads into sPath that were killed left behind: files
// named as TemporaryName(sPath) makes them, regular, ours, and not locked
// (a running download keeps its temporary file locked, and the lock goes
// with its process however it ends).
void RemoveStaleTemporaries(const std::string& sPath)
{
    constexpr size_t RANDOM = 6;   // the characters that replace "XXXXXX"
    const std::filesystem::path pattern(TemporaryName(sPath));
    const std::string name = pattern.filename().string();
    const std::string prefix = name.substr(0, name.size() - RANDOM);
    const std::filesystem::path folder = pattern.has_parent_path() ? pattern.parent_path() : ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string found = it->path().filename().string();
        if (found.size() != prefix.size() + RANDOM || found.compare(0, prefix.size(), prefix) != 0)
            continue;
        bool random = true;
        for (size_t i = prefix.size(); i < found.size(); i++)
            random = random && std::isalnum(static_cast<unsigned char>(found[i])) != 0;
        if (random && FileRemoveIfStale(it->path().string().c_str()))
            Log("Temporary file '%s' of an interrupted download removed !", it->path().string().c_str());
    }
}

// The fields a window would show, kept for printing; the download goes to
// a temporary file beside the target, or to standard output.
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

    // The command checked the target before the port was opened, with its
    // own hint; standard output is no file.
    int CheckTarget(const char*) override { return 1; }
    int TargetExists(const char* szPath) override
    {
        return std::strcmp(szPath, szStandardOutput) == 0 ? 0 : LoggerView::TargetExists(szPath);
    }

    FILE* OpenDownloadFile(const char* szPath) override;
    int CloseDownloadFile(FILE* pFile, const char* szPath, int bComplete) override;
    // An incomplete download's temporary file is removed: nothing is kept.
    std::string KeptFile(const char*) override { return std::string(); }

    std::string sMode = "Unknown";
    std::string sMeasure = "Unknown";

private:
    std::string sTarget;
    FileBeside download{FileBeside::UNFINISHED_REMOVE};
    bool bStandardOutput = false;
};

FILE* CliLoggerView::OpenDownloadFile(const char* szPath)
{
    if (std::strcmp(szPath, szStandardOutput) == 0) {
        bStandardOutput = true;
        return stdout;
    }
    // Checked again: the target may have changed since the command began.
    int err = 0;
    if (LoggerTargetKind(szPath, &err) != nullptr || err != 0)
        return nullptr;
    RemoveStaleTemporaries(szPath);
    FILE* file = download.OpenTemporary(TemporaryName(szPath));
    if (file != nullptr)
        CliInterrupt::SetCleanupPath(download.SidePath().c_str());
    return file;
}

int CliLoggerView::CloseDownloadFile(FILE*, const char* szPath, int bComplete)
{
    if (bStandardOutput) {
        const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
        if (!bComplete)
            return 0;
        return written ? 1 : Error("Could not write to standard output !");
    }
    int ok = 0;
    if (!bComplete)
        download.Abandon();
    else if (const FileBeside::Result result = download.Commit(szPath); result == FileBeside::FILE_BESIDE_DONE)
        ok = 1;
    else if (result == FileBeside::FILE_BESIDE_NOT_WRITTEN)
        Error("Could not write to file '%s' !", szPath);
    else
        Error("Could not write to file '%s' !\n%s", szPath, std::strerror(errno));
    CliInterrupt::SetCleanupPath(nullptr);
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
    if (iTask == TASK_DOWNLOAD && !CheckDownloadTarget(words[1].c_str()))
        return EXIT_FAILED;
    LoggerJob job;
    job.iTask = iTask;
    job.sPort = words[0];
    CliFrontEnd frontEnd(yes);
    CliLoggerView view(uWords > 1 ? words[1] : std::string());
    AutoResetEvent cancel;
    int ok;
    if (iTask == TASK_DOWNLOAD) {
        CliInterrupt interrupt(cancel, "stopping after the current record");
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
    {"logger info", "PORT", "Show the logger's mode and fill level.", 1, 1, RunInfo, ""},
    {"logger download", "PORT FILE.csv [--yes]",
     "Copy every logger record into FILE.csv (a new or a regular file; '-' for standard output); the file "
     "appears only when complete. --yes overwrites an existing file without asking; Ctrl-C stops after the "
     "current record.",
     2, 3, RunDownload, "--yes -y"},
    {"logger erase", "PORT [--yes]",
     "Erase all logger records; asks first unless --yes (without a terminal, --yes is required).", 1, 2,
     RunErase, "--yes -y"},
});

}  // namespace
