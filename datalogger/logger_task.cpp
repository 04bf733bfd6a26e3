#include "logger_task.h"

#include <cstdarg>
#include <cstring>
#include <thread>

#include "fileio.h"
#include "fileutil.h"
#include "log.h"
#include "logger_line.h"
#include "sensor.h"
#include "serial.h"

const char szLoggerIdleHint[] = "Select 'serial port' then click 'Download' button to download data from sensor...";

namespace {

// Positions above the int range show as a full bar, as any above 100 do.
int BarPosition(unsigned uPosition)
{
    return uPosition > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(uPosition);
}

}  // namespace

int LoggerDlg::MainDlgPrg(unsigned uPosition, const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    TaskProgressV(fe, BarPosition(uPosition), TASK_STEP_NONE, szFormat, args);
    va_end(args);
    return 1;
}

int LoggerDlg::MainDlgPrgStep(int nStep, unsigned uPosition, const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    TaskProgressV(fe, BarPosition(uPosition), nStep, szFormat, args);
    va_end(args);
    return 1;
}

int LoggerDlg::MainDlgState(int bBusy)
{
    fe.State(bBusy ? TASK_BUSY : TASK_IDLE, nullptr);
    return 1;
}

const char* LoggerTargetKind(const char* szPath, int* pnErrno)
{
    return PathSpecialKind(szPath, pnErrno, false);
}

int LoggerCheckTarget(const char* szPath)
{
    int err = 0;
    if (const char* kind = LoggerTargetKind(szPath, &err))
        return Error("Could not open file '%s' for writing : it is a %s, not a regular file !", szPath, kind);
    if (err != 0)
        return Error("Could not open file '%s' for writing !\n%s", szPath, std::strerror(err));
    return 1;
}

int LoggerView::CheckTarget(const char* szPath)
{
    return LoggerCheckTarget(szPath);
}

int LoggerView::TargetExists(const char* szPath)
{
    return PathExists(szPath);
}

FILE* LoggerView::OpenDownloadFile(const char* szPath)
{
    return std::fopen(szPath, "w");
}

int LoggerView::CloseDownloadFile(FILE* pFile, const char* szPath, int)
{
    const bool written = FileFlushToDisk(pFile);
    if (std::fclose(pFile) != 0 || !written)
        return Error("Could not write to file '%s' !", szPath);
    return 1;
}

std::string LoggerView::KeptFile(const char* szPath)
{
    return szPath;
}

namespace {

constexpr unsigned PROGRESS_FULL = 100;

// Mode and Measure back to "Unknown", gauge empty.
void ClearStorageInfo(LoggerDlg& dlg)
{
    dlg.ShowMode("Unknown");
    dlg.ShowMeasure("Unknown");
    dlg.ShowGauge(0);
}

void ShowFillLevel(LoggerDlg& dlg, int nUsage, int nCapacity, bool bOff)
{
    char measure[LOGGER_TEXT_SIZE];
    LoggerMeasureText(measure, sizeof measure, nUsage, nCapacity, bOff);
    dlg.ShowMeasure(measure);
    dlg.ShowGauge(LoggerPercent(nUsage, nCapacity));
}

// Wake-up under the short time-out, then the command time-out.
int WakeSensor(LoggerRun& run)
{
    SerialSetTimeout(run.job.uWakeupTimeout);
    run.dlg.MainDlgPrg(0, "Waking up...");
    if (!SensorWakeup())
        return 0;
    SerialSetTimeout(run.job.uCommandTimeout);
    return 1;
}

// Type (only to prove the sensor answers) and mode, shown in the Mode field.
int LoadTypeAndMode(LoggerRun& run, bool* pbOff)
{
    char value[SENSOR_RESULT_SIZE];
    run.dlg.MainDlgPrg(20, "Loading type...");
    if (!SensorCmdGet("Sensor type", "sens-type", value, sizeof value))
        return 0;
    run.dlg.MainDlgPrg(40, "Loading mode...");
    if (!SensorCmdGet("Datalogger mode", "logger-mode", value, sizeof value))
        return 0;
    run.dlg.ShowMode(value);
    *pbOff = std::strcmp(value, "off") == 0;
    return 1;
}

int LoadNumber(const char* szLabel, const char* szKey, int* pnValue)
{
    char value[SENSOR_RESULT_SIZE];
    if (!SensorCmdGet(szLabel, szKey, value, sizeof value))
        return 0;
    *pnValue = SensorToInt(value);
    return 1;
}

// The name of the run's port as the user knows it.
const char* PortName(const LoggerRun& run)
{
    return run.job.sPortName.empty() ? run.job.sPort.c_str() : run.job.sPortName.c_str();
}

// The time a download's remaining lines take at the line rate, from the
// mean length of the lines so far (with their CR LF), as "m:ss" or
// "h:mm:ss".
void TimeLeftText(char* szText, size_t uSize, unsigned long long uBytes, long long iLines, long long iLeft)
{
    const unsigned long long bytesLeft = iLines > 0 && iLeft > 0 ? uBytes * static_cast<unsigned long long>(iLeft) /
                                                                       static_cast<unsigned long long>(iLines)
                                                                 : 0;
    const unsigned long long seconds = (bytesLeft + SERIAL_BYTES_PER_SECOND - 1) / SERIAL_BYTES_PER_SECOND;
    if (seconds >= 3600)
        std::snprintf(szText, uSize, "%llu:%02llu:%02llu", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(szText, uSize, "%llu:%02llu", seconds / 60, seconds % 60);
}

// A sensor goes on sending its records after the host stopped reading them.
// A line end ends its stream; what is already under way is read and dropped
// until the line falls silent, so that the next task's wake-up meets a quiet
// console instead of the stream's tail.
void EndStream(LoggerRun& run)
{
    if (SerialIsHungUp())
        return;
    const char lineEnd = '\r';
    SerialWrite(&lineEnd, 1);
    SerialSetTimeout(LOGGER_DRAIN_QUIET_MS);
    const unsigned long long start = TickCountMs();
    char tail[SERIAL_READ_AHEAD_SIZE];
    while (SerialRead(tail, sizeof tail) > 0 && !SerialIsHungUp() && TickCountMs() - start < LOGGER_DRAIN_LIMIT_MS) {
    }
    SerialPurge();
    SerialSetTimeout(run.job.uCommandTimeout);
}

int RunDownload(LoggerRun& run)
{
    char path[LOGGER_TEXT_SIZE] = "";
    if (!run.dlg.SaveFileDialog(path, sizeof path))
        return 0;
    // A pipe, a device or a link at the chosen name would be replaced (or
    // fed) instead of written: refused before anything is asked or read.
    if (!run.dlg.CheckTarget(path))
        return 0;
    if (run.dlg.TargetExists(path)) {
        char question[LOGGER_TEXT_SIZE + 64];
        std::snprintf(question, sizeof question, "File '%s' already exists !\nDo you want to overwrite it ?", path);
        if (!run.dlg.Question(question))
            return 0;
    }
    FILE* file = run.dlg.OpenDownloadFile(path);
    if (file == nullptr)
        return Error("Could not open file '%s' for writing !", path);
    run.sFile = path;
    int ok = ProcessThreadDownload(run, file);
    // The file is finished before success is announced, so that the message
    // never stands for data still in a buffer.
    if (!run.dlg.CloseDownloadFile(file, path, ok)) {
        if (ok)
            run.sEndStatus = "Download failed !";
        ok = 0;
    }
    if (ok)
        Info("Data successfully downloaded !");
    return ok;
}

// Reads the storage first, so that the question names what it destroys;
// the erase itself cannot be cancelled.
int RunErase(LoggerRun& run)
{
    int usage = 0;
    if (!RefreshStorage(run, &usage)) {
        run.sEndStatus = "Erase failed: the storage could not be read !";
        return 0;
    }
    char question[LOGGER_TEXT_SIZE + 64];
    std::snprintf(question, sizeof question, "Erase all %d records from the sensor on %s ?", usage, PortName(run));
    if (!run.dlg.Question(question))
        return 0;
    run.dlg.fe.State(TASK_BUSY_LOCKED, nullptr);
    if (!ProcessThreadErase(run)) {
        run.sEndStatus = "Erase failed !";
        return 0;
    }
    return Info("Data successfully erased !"), 1;
}

}  // namespace

int ProcessThreadRefresh(LoggerRun& run)
{
    int usage = 0;
    return RefreshStorage(run, &usage);
}

int RefreshStorage(LoggerRun& run, int* pnUsage)
{
    ClearStorageInfo(run.dlg);
    if (!WakeSensor(run))
        return 0;
    bool off = false;
    if (!LoadTypeAndMode(run, &off))
        return 0;
    int usage = 0, capacity = 0;
    run.dlg.MainDlgPrg(60, "Loading usage...");
    if (!LoadNumber("Datalogger usage", "logger-usage", &usage))
        return 0;
    run.dlg.MainDlgPrg(80, "Loading capacity...");
    if (!LoadNumber("Datalogger capacity", "logger-capa", &capacity))
        return 0;
    ShowFillLevel(run.dlg, usage, capacity, off);
    TaskProgress(run.dlg.fe, PROGRESS_FULL, TASK_STEP_DONE, "Done !");
    *pnUsage = usage;
    return 1;
}

int ProcessThreadErase(LoggerRun& run)
{
    if (!WakeSensor(run))
        return 0;
    run.dlg.MainDlgPrg(PROGRESS_FULL, "Erasing sensor storage data, please wait... ");
    if (!SensorCmdLoggerClear())
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(run.job.uEraseSettle));
    return ProcessThreadRefresh(run);
}

int ProcessThreadDownload(LoggerRun& run, FILE* pFile)
{
    run.sEndStatus = "Download failed !";
    const char* prefix = CurrentProfile().szFailPrefix;
    ClearStorageInfo(run.dlg);
    if (!WakeSensor(run))
        return 0;
    bool off = false;
    if (!LoadTypeAndMode(run, &off))
        return 0;
    int capacity = 0;
    run.dlg.MainDlgPrg(60, "Loading capacity...");
    if (!LoadNumber("Datalogger capacity", "logger-capa", &capacity))
        return 0;
    run.dlg.MainDlgPrg(80, "Starting download...");
    int count = 0;
    if (!SensorCmdLoggerDownload(&count))
        return 0;
    // A negative count would end the loop before the heading and pass an
    // empty file off as a complete download.
    if (count < 0) {
        Error("%sBad record count received (%d)", prefix, count);
        EndStream(run);
        return 0;
    }
    ShowFillLevel(run.dlg, count, capacity, off);

    // i counts the lines written (the heading and the records) and runs to
    // N + 1, which does not fit an int when N is INT_MAX.
    long long i = 0;
    unsigned long long bytes = 0;
    char line[LOGGER_LINE_SIZE];
    char why[LOGGER_TEXT_SIZE] = "";
    bool failed = false;
    bool cancelled = false;
    while (i <= count) {
        unsigned length = 0;
        if (!LoggerReadLine(line, sizeof line, i, &length, why, sizeof why)) {
            failed = true;
            break;
        }
        // The line as received (it may hold any byte), then the text-mode
        // line end.
        if (std::fwrite(line, 1, length, pFile) != length || std::fputc('\n', pFile) == EOF) {
            std::snprintf(why, sizeof why, "Could not write to file '%s' !", run.sFile.c_str());
            failed = true;
            break;
        }
        i++;
        bytes += length + 2;
        const long long records = i - 1;
        const int percent = count > 0 ? static_cast<int>(records * 100 / count) : 0;
        char left[32];
        TimeLeftText(left, sizeof left, bytes, i, static_cast<long long>(count) + 1 - i);
        run.dlg.MainDlgPrgStep(LOGGER_STEP_DOWNLOAD, static_cast<unsigned>(percent),
                               "Downloading %lld / %d (%d %%), %s left..", records, count, percent, left);
        if (run.hCancelEvent.TryWait()) {
            cancelled = i <= count;
            break;
        }
    }
    if (!failed && !cancelled) {
        TaskProgress(run.dlg.fe, PROGRESS_FULL, TASK_STEP_DONE, "Done !");
        run.sEndStatus.clear();
        return 1;
    }
    EndStream(run);
    // What arrived stays (unless nothing did): the message that ends the
    // download says where, and how much of it there is. It is in the file
    // before the message waits for its OK.
    std::fflush(pFile);
    const long long records = i > 0 ? i - 1 : 0;
    const std::string kept = i > 0 ? run.dlg.view.KeptFile(run.sFile.c_str()) : std::string();
    char end[LOGGER_TEXT_SIZE];
    if (cancelled) {
        std::snprintf(end, sizeof end, "Download cancelled after %lld of %d records", records, count);
        if (kept.empty())
            Info("%s.", end);
        else
            Info("%s.\nThe records received are kept in '%s'.", end, kept.c_str());
    } else {
        std::snprintf(end, sizeof end, "Download failed after %lld of %d records !", records, count);
        if (kept.empty())
            Error("%s", why);
        else
            Error("%s\n\n%lld of %d records were received; they are kept in '%s'.", why, records, count,
                  kept.c_str());
    }
    run.sEndStatus = end;
    return 0;
}

int ProcessThread(const LoggerJob& job, TaskFrontEnd& fe, LoggerView& view, AutoResetEvent& hCancelEvent)
{
    hCancelEvent.Reset();
    LoggerRun run{job, LoggerDlg{fe, view}, hCancelEvent, std::string()};
    return TaskRunOnPort(fe, job.sPort, szLoggerIdleHint, [&run] {
        switch (run.job.iTask) {
        case TASK_DOWNLOAD:
            return RunDownload(run);
        case TASK_ERASE:
            return RunErase(run);
        case TASK_REFRESH:
            if (ProcessThreadRefresh(run))
                return 1;
            run.sEndStatus = "Refresh failed !";
            return 0;
        default:
            return 0;
        }
    }, &run.sEndStatus);
}
