// Scope commands: the live stream recorded into WAV files, or printed frame
// by frame, with the scope program's own receive thread, recorder, time-outs
// and messages.
//
// Both run until --seconds have passed since the sensor went into scope
// mode, until Ctrl-C (SIGTERM, SIGHUP), until the stream ends by itself
// (a bad frame, a lost line), or until the recording cannot be written (its
// message is shown, the exit status is 1). Ctrl-C finishes the current WAV file as a
// disconnect does; a second one ends the program at once (the raw samples
// stay in the WAV folder and become a WAV file at the next recording).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "appframe.h"
#include "cli.h"
#include "cli_interrupt.h"
#include "frontend.h"
#include "log.h"
#include "profile.h"
#include "scope_session.h"

namespace {

constexpr int POLL_MS = 100;              // how often the main thread looks at the run
constexpr int PROGRESS_MS = 1000;         // progress line refresh
constexpr int STEP_RECORDING = TASK_STEP_PROGRAM;   // + files written: a new line per file

// varn has no plots: redraws and the control state mean nothing here;
// "frames" prints each frame and record for scripts.
class CliScopeFrontEnd : public ScopeFrontEnd {
public:
    explicit CliScopeFrontEnd(bool bPrint) : bPrint(bPrint) {}

    void Redraw(int) override {}
    void Status(int) override {}
    void Frame(const ScopeFrameInfo& info) override
    {
        if (!bPrint)
            return;
        CliFrontEnd::EndLine();
        std::printf("frame %u %u %d %d %d %d\n", info.uFrame, info.uPairs, info.nMin[0], info.nMax[0], info.nMin[1],
                    info.nMax[1]);
        std::fflush(stdout);
    }
    void Record(const char* szLine) override
    {
        if (!bPrint)
            return;
        CliFrontEnd::EndLine();
        std::printf("record %s\n", szLine);
        std::fflush(stdout);
    }

private:
    bool bPrint;
};

// A whole decimal number in lo..hi, or a usage message.
bool TakeNumber(std::vector<std::string>& vArgs, const char* szName, unsigned lo, unsigned hi, unsigned* pValue,
                bool* pbGiven)
{
    std::string text;
    const int found = CliTakeOption(vArgs, szName, &text);
    *pbGiven = found == 1;
    if (found < 0)
        return false;
    if (found == 0)
        return true;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || *end != '\0' || v < lo || v > hi) {
        std::fprintf(stderr, "varn: %s needs a whole number of seconds from %u to %u, got '%s'\n", szName, lo, hi,
                     text.c_str());
        return false;
    }
    *pValue = static_cast<unsigned>(v);
    return true;
}

void UseScopeProfile()
{
    nProgram = PROGRAM_SCOPE;
    const ProgramProfile& p = CurrentProfile();
    std::snprintf(szAppTitle, sizeof szAppTitle, "%s V%s (%s%d)", p.szInternalName, p.szVersion, APP_PLATFORM,
                  APP_BITS);
}

// Connects, runs until the end condition, disconnects. EXIT_OK when the run
// was ended here (time or Ctrl-C), EXIT_FAILED when it ended by itself or
// did not start.
int RunSession(ScopeSession& session, const std::string& sPort, unsigned uSeconds, bool bProgress, bool bPrint)
{
    CliScopeFrontEnd fe(bPrint);
    AutoResetEvent cancel;
    CliInterrupt interrupt(cancel, bProgress ? "finishing the current file" : "stopping");
    const std::string lastWords = std::string("The raw samples stay in '") + session.settings.szTmpFile +
                                  "' and become a WAV file at the next recording.\n";
    if (bProgress)
        CliInterrupt::SetLastWords(lastWords.c_str());
    if (!ScopeConnect(session, sPort, fe))
        return EXIT_FAILED;
    CliFrontEnd progress;
    using Clock = std::chrono::steady_clock;
    Clock::time_point streamingSince{};
    Clock::time_point lastProgress{};
    bool streaming = false;
    bool interrupted = false;
    // A recording that cannot be written ends the run (its message is shown).
    while (session.Receiving() && !interrupted && !session.recorder.bFailed.load()) {
        const Clock::time_point now = Clock::now();
        if (!streaming && session.Streaming()) {
            streaming = true;
            streamingSince = now;
        }
        const double elapsed = streaming ? std::chrono::duration<double>(now - streamingSince).count() : 0.0;
        if (streaming && uSeconds > 0 && elapsed >= uSeconds)
            break;
        if (bProgress && streaming && now - lastProgress >= std::chrono::milliseconds(PROGRESS_MS)) {
            lastProgress = now;
            const unsigned files = session.recorder.uFilesWritten.load();
            // Without a duration the bar shows how far the current file is.
            const unsigned period = session.settings.nWavDuration;
            const int position = uSeconds > 0 ? static_cast<int>(elapsed * 100 / uSeconds)
                                              : static_cast<int>((std::time(nullptr) % period) * 100 / period);
            TaskProgress(progress, position, STEP_RECORDING + static_cast<int>(files),
                         "Recording: %u frames, %u records, %llu bytes, %u files written", session.uFrames.load(),
                         session.uRecords.load(), session.uBytes.load(), files);
        }
        interrupted = cancel.Wait(POLL_MS);
    }
    CliFrontEnd::EndLine();
    const bool endedHere = session.Receiving() && !session.recorder.bFailed.load();
    if (!ScopeDisconnect(session, fe))
        return EXIT_FAILED;
    return endedHere && !session.recorder.bFailed.load() ? EXIT_OK : EXIT_FAILED;
}

int RunRecord(const std::vector<std::string>& vArgs)
{
    std::vector<std::string> args = vArgs;
    unsigned seconds = 0, period = WAV_DURATION_DEFAULT;
    bool given = false;
    if (!TakeNumber(args, "--seconds", 1, 86400 * 366, &seconds, &given) ||
        !TakeNumber(args, "--period", 1, WAV_DURATION_MAX, &period, &given) || !CliNoOptionsLeft(args))
        return EXIT_USAGE;
    if (args.size() != 2) {
        std::fprintf(stderr, "Usage: varn scope record PORT DIR [--seconds N] [--period S]\n");
        return EXIT_USAGE;
    }
    ScopeSettings settings;
    if (args[1].empty() || args[1].size() >= sizeof settings.szWavDir) {
        std::fprintf(stderr, "varn: the WAV folder name must have 1 to %zu characters\n", sizeof settings.szWavDir - 1);
        return EXIT_USAGE;
    }
    UseScopeProfile();
    settings.bSaveWav = 1;
    settings.nWavDuration = period;
    std::snprintf(settings.szWavDir, sizeof settings.szWavDir, "%s", args[1].c_str());
    ScopeSettingsUpdatePaths(settings);

    ScopeSession session(settings);
    const int status = RunSession(session, args[0], seconds, true, false);
    for (const std::string& path : session.recorder.vFilesWritten)
        std::printf("%s\n", path.c_str());
    std::fprintf(stderr, "%u frames, %u records, %llu bytes received; %zu files written\n", session.uFrames.load(),
                 session.uRecords.load(), session.uBytes.load(), session.recorder.vFilesWritten.size());
    return status;
}

int RunFrames(const std::vector<std::string>& vArgs)
{
    std::vector<std::string> args = vArgs;
    unsigned seconds = 0;
    bool given = false;
    if (!TakeNumber(args, "--seconds", 1, 86400 * 366, &seconds, &given) || !CliNoOptionsLeft(args))
        return EXIT_USAGE;
    if (args.size() != 1) {
        std::fprintf(stderr, "Usage: varn scope frames PORT [--seconds N]\n");
        return EXIT_USAGE;
    }
    UseScopeProfile();
    ScopeSettings settings;   // recording off
    ScopeSession session(settings);
    return RunSession(session, args[0], seconds, false, true);
}

const VarnCommandGroup tScopeCommands({
    {"scope record", "PORT DIR [--seconds N] [--period S]",
     "Record the live signal into WAV files in DIR, cut every S seconds (default 600) on the wall clock; "
     "runs N seconds, or until Ctrl-C, which finishes the current file. Prints the files written.",
     2, 6, RunRecord, "--seconds= --period="},
    {"scope frames", "PORT [--seconds N]",
     "Print each sample frame as 'frame N PAIRS MIN0 MAX0 MIN1 MAX1' (per channel) and each measurement "
     "record as 'record LINE'; runs N seconds or until Ctrl-C.",
     1, 3, RunFrames, "--seconds="},
});

}  // namespace
