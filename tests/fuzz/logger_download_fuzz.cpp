// The logger download task against a sensor whose download stream is the
// fuzz input (harness.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "event.h"
#include "fake_serial.h"
#include "harness.h"
#include "harness_setup.h"
#include "logger_task.h"
#include "serial.h"

namespace {

class QuietView : public LoggerView {
public:
    void ShowMode(const char*) override {}
    void ShowMeasure(const char*) override {}
    void ShowGauge(int) override {}
    int SaveFileDialog(char*, size_t) override { return 0; }
};

// The console's side: each command is echoed and answered; the download's
// answer carries the count, then the stream. A line is known by the command
// it ends with: the wake-ups before it may have been cut by a purge.
class Console {
public:
    Console(int nCount, std::string sStream) : nCount(nCount), sStream(std::move(sStream)) {}

    std::string Answer(const std::string& sFromHost, bool* pbLast)
    {
        static const char* const tAnswers[][2] = {
            {"get sens-type", "OK=KORVALIN"},
            {"get logger-mode", "OK=on"},
            {"get logger-capa", "OK=1000"},
            {"logger download", nullptr},
        };
        std::string out;
        sLine += sFromHost;
        size_t cr;
        while ((cr = sLine.find('\r')) != std::string::npos) {
            const std::string line = sLine.substr(0, cr);
            sLine.erase(0, cr + 1);
            for (const auto& [command, answer] : tAnswers) {
                const size_t n = std::strlen(command);
                if (line.size() < n || line.compare(line.size() - n, n, command) != 0)
                    continue;
                out += std::string(command) + "\r\n";
                if (answer != nullptr) {
                    out += std::string(answer) + "\r\n";
                } else {
                    out += "OK=" + std::to_string(nCount) + "\r\n" + sStream;
                    *pbLast = true;
                }
                break;
            }
        }
        return out;
    }

private:
    int nCount;
    std::string sStream;
    std::string sLine;
};

// What a download that succeeded must have written.
bool WellFormed(const std::string& sCsv, int nCount)
{
    size_t at = 0;
    for (int i = 0; i <= nCount; i++) {
        const size_t end = sCsv.find('\n', at);
        if (end == std::string::npos)
            return false;
        const std::string line = sCsv.substr(at, end - at);
        const size_t semicolon = line.find(';');
        if (semicolon == std::string::npos || line.find('\r') != std::string::npos)
            return false;
        if (i > 0 && std::atoi(line.substr(0, semicolon).c_str()) != i)
            return false;
        at = end + 1;
    }
    return at == sCsv.size();
}

}  // namespace

int FuzzLoggerDownload(const uint8_t* pData, size_t uSize)
{
    if (uSize == 0)
        return 0;
    FuzzUseProgram(PROGRAM_DATALOGGER);
    if (!SerialOpen(fakeserial::PORT))
        return 0;
    Console console(pData[0], std::string(reinterpret_cast<const char*>(pData + 1), uSize - 1));
    fakeserial::Play("", false, [&console](const std::string& s, bool* pbLast) { return console.Answer(s, pbLast); });

    LoggerJob job;
    job.iTask = TASK_DOWNLOAD;
    job.sPort = fakeserial::PORT;
    job.uWakeupTimeout = 1;
    job.uCommandTimeout = 1000;
    SilentFrontEnd frontEnd(1);
    QuietView view;
    AutoResetEvent cancel;
    LoggerRun run{job, LoggerDlg{frontEnd, view}, cancel, "fuzz.csv"};
    char* csv = nullptr;
    size_t csvSize = 0;
    FILE* file = open_memstream(&csv, &csvSize);
    int ok = 0;
    if (file != nullptr) {
        ok = ProcessThreadDownload(run, file);
        std::fclose(file);
    }
    SerialClose();
    const bool wellFormed = ok && csv != nullptr && WellFormed(std::string(csv, csvSize), pData[0]);
    std::free(csv);
    if (ok && !wellFormed)
        std::abort();
    return ok;
}
