// The two passes over the install script, and the start of the
// self-installation.
#include <chrono>
#include <cstdio>
#include <thread>

#include "fileutil.h"
#include "install.h"
#include "install_files.h"
#include "install_journal.h"
#include "log.h"
#include "process.h"
#include "script_reader.h"
#include "suite.h"

char szLocalTmpDir[APP_PATH_SIZE];
char szLocalInstallScript[APP_PATH_SIZE];
unsigned nOpTotal = 0;
InstallWaits tInstallWaits;

namespace {

constexpr size_t SCRIPT_READ_BLOCK = 4096;

enum ReadResult {
    READ_NOT_OPENED = -2,   // the script cannot be opened
    READ_FAILED = -1,       // a read error part of the way
    READ_STOPPED = 0,       // an error reported, or the self-installation started
    READ_COMPLETE = 1,      // read to its end
};

std::string AppPath(const char* szName)
{
    return std::string(szAppDir) + APP_SEPARATOR + szName;
}

std::string TmpPath(const char* szName)
{
    return std::string(szLocalTmpDir) + APP_SEPARATOR + szName;
}

void SleepMs(unsigned uMs)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(uMs));
}

// A destination whose first 12 characters are "VARN-Install" is the
// installer itself.
bool NamesInstaller(const std::string& sDest)
{
    return sDest.compare(0, INSTALL_PREFIX_SIZE, INSTALL_PROGRAM) == 0;
}

// Builds szLocalInstallScript; false when the path does not fit.
bool BuildScriptPath()
{
    const int n = std::snprintf(szLocalInstallScript, sizeof szLocalInstallScript, "%s%c%s", szLocalTmpDir,
                                APP_SEPARATOR, SCRIPT_FILE_NAME);
    return n > 0 && static_cast<size_t>(n) < sizeof szLocalInstallScript;
}

// Reads the script in blocks through the reader; fnEntry sees every command
// line and returns false to stop. Failures to open or read are not
// reported here.
ReadResult ReadScript(const ScriptReader::EntryFn& fnEntry)
{
    std::FILE* f = BuildScriptPath() ? std::fopen(szLocalInstallScript, "rb") : nullptr;
    if (f == nullptr)
        return READ_NOT_OPENED;
    ScriptReader reader(fnEntry);
    char block[SCRIPT_READ_BLOCK];
    bool going = true;
    while (going) {
        const size_t n = std::fread(block, 1, sizeof block, f);
        going = reader.Feed(block, n) && n == sizeof block;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (reader.Stopped())
        return READ_STOPPED;
    if (failed)
        return READ_FAILED;
    return reader.Finish() ? READ_COMPLETE : READ_STOPPED;
}

bool HashScript(uint64_t* pHash)
{
    std::FILE* f = BuildScriptPath() ? std::fopen(szLocalInstallScript, "rb") : nullptr;
    if (f == nullptr)
        return false;
    ScriptHash hash;
    char block[SCRIPT_READ_BLOCK];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        hash.Add(block, n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    *pHash = hash.Value();
    return ok;
}

int ReportEntryError(const ScriptEntry& e)
{
    switch (e.nKind) {
    case SCRIPT_BAD_HEADER:
        return Error("Install script is not valid (Bad header) !");
    case SCRIPT_BAD_SEPARATOR:
        return Error("Bad install script format at line %u (Bad argument separator) !", e.uLine);
    default:
        return Error("Bad install script format at line %u (Destination field not found) !", e.uLine);
    }
}

int CheckPath(const char* szDir, unsigned uLine, const std::string& sWritten, std::string* pJoined)
{
    switch (InstallCheckPath(szDir, sWritten, pJoined)) {
    case INSTALL_PATH_OK:
        return 1;
    case INSTALL_PATH_TOO_LONG:
        // The path itself would not fit the message.
        return Error("Bad install script format at line %u (Path too long) !", uLine);
    case INSTALL_PATH_ZERO_BYTE:
        return Error("Bad install script format at line %u (Path holding a zero byte) !", uLine);
    default:
        return Error("Bad install script format at line %u (Path '%s' leaves its directory) !", uLine,
                     sWritten.c_str());
    }
}

// The source S and destination D of an INSTALL line, or the path D of a
// DELETE line, each checked to stay inside its folder. 0 after reporting.
int EntryPaths(const ScriptEntry& e, std::string* pS, std::string* pD)
{
    if (e.nKind == SCRIPT_DELETE)
        return CheckPath(szAppDir, e.uLine, e.sArg, pD);
    return CheckPath(szLocalTmpDir, e.uLine, e.sSource, pS) && CheckPath(szAppDir, e.uLine, e.sDest, pD);
}

unsigned Percent(unsigned k)
{
    return nOpTotal == 0 ? 0 : k * 100 / nOpTotal;
}

// The self-installation: copies the running installer to its temporary
// copy and starts the copy in self mode, which puts sSource in place of
// sDest and starts the new installer.
void SelfInstallation(const std::string& sSource, const std::string& sDest)
{
    InstallProgressTxt(INSTALL_STEP_SELF, "Self installing...");
    Log("Self installing...");
    const std::string from = AppPath(SuiteProgramFile(INSTALL_PROGRAM).c_str());
    const std::string to = AppPath(SuiteProgramFile(INSTALL_TEMP_PROGRAM).c_str());
    if (!InstallCopyFile(from, to)) {
        Error("Could not copy file '%s' to '%s' !", from.c_str(), to.c_str());
        return;
    }
    SleepMs(tInstallWaits.uSelfMs);
    const std::string params = "self \"" + std::string(szLocalTmpDir) + "\" \"" + sSource + "\" \"" + sDest + "\"";
    ExecTools(INSTALL_TEMP_PROGRAM, params.c_str());
}

// An update brings files: a pipe would hold the move or the copy, a device
// would be put in place of a program. 0 after reporting.
int SourceIsFile(const std::string& s, const std::string& d)
{
    if (const char* kind = FileSpecialKind(s.c_str()))
        return Error("Could not install '%s' (Source file '%s' is a %s, not a regular file) !", d.c_str(), s.c_str(),
                     kind);
    return 1;
}

// Pass 0: checks every line, counts the operations. The installer's own
// line, when its new file is there, makes the pass start the
// self-installation once the whole script has been checked.
ReadResult ScanScript()
{
    bool self = false;
    std::string selfSource, selfDest;
    ReadResult r = ReadScript([&](const ScriptEntry& e) {
        if (ScriptEntryIsError(e))
            return ReportEntryError(e) != 0;
        if (e.nKind != SCRIPT_UNKNOWN) {
            std::string s, d;
            if (!EntryPaths(e, &s, &d))
                return false;
            // Checked before any file is touched.
            if (e.nKind == SCRIPT_INSTALL && !SourceIsFile(s, d))
                return false;
            if (e.nKind == SCRIPT_INSTALL && NamesInstaller(e.sDest) && FileExists(s.c_str())) {
                if (!self) {
                    self = true;
                    selfSource = s;
                    selfDest = d;
                }
            } else {
                nOpTotal++;
            }
        }
        InstallProgressTxt(INSTALL_STEP_SCAN, "Scanning %d...", static_cast<int>(nOpTotal));
        return true;
    });
    if (r == READ_COMPLETE && self) {
        SelfInstallation(selfSource, selfDest);
        return READ_STOPPED;
    }
    return r;
}

// Pass 1, one INSTALL line that is not the installer's. 0 after reporting.
int InstallOne(const ScriptEntry& e, const std::string& s, const std::string& d, InstallJournal& journal)
{
    if (!FileExists(s.c_str())) {
        // Moved into place by an earlier run of this script that stopped later.
        if (journal.Has(e.uLine))
            return 1;
        return Error("Could not install '%s' (Source file '%s' not found) !", d.c_str(), s.c_str());
    }
    if (!SourceIsFile(s, d))
        return 0;
    // Only the copy being replaced is closed: the same program run from
    // another folder (a second copy of the suite) keeps running.
    if (InstallIsProgram(d, s) && IsProgramRunning(d.c_str())) {
        InstallProgressTxt(INSTALL_STEP_CLOSE, "Closing '%s' application...", e.sDest.c_str());
        KillProgram(d.c_str());
        SleepMs(tInstallWaits.uCloseMs);
    }
    // The file in place is not deleted first: the move replaces it in one
    // step, so it is never missing.
    if (!PathCreate(1, d.c_str()))
        return Error("Could not install '%s' (Could not create path) !", d.c_str());
    InstallKeepExecBits(s, d);
    journal.Add(e.uLine);
    if (!InstallMoveFile(s, d))
        return Error("Could not move file '%s' to '%s' !", s.c_str(), d.c_str());
    return 1;
}

// Pass 1: applies every operation with progress.
ReadResult ApplyScript(InstallJournal& journal)
{
    unsigned k = 0;
    return ReadScript([&](const ScriptEntry& e) {
        if (ScriptEntryIsError(e))
            return ReportEntryError(e) != 0;
        if (e.nKind == SCRIPT_UNKNOWN)
            return true;
        std::string s, d;
        if (e.nKind == SCRIPT_INSTALL) {
            InstallProgressTxt(INSTALL_STEP_FILE, "Installing '%s'...", e.sDest.c_str());
            DlgMainProgress(Percent(k));
            Log("Installing '%s' (%d/%d)...", e.sDest.c_str(), static_cast<int>(k), static_cast<int>(nOpTotal));
            if (!EntryPaths(e, &s, &d))
                return false;
            if (!NamesInstaller(e.sDest) && !InstallOne(e, s, d, journal))
                return false;
        } else {
            InstallProgressTxt(INSTALL_STEP_REMOVE, "Removing '%s'...", e.sArg.c_str());
            DlgMainProgress(Percent(k));
            Log("Removing '%s' (%d/%d)...", e.sArg.c_str(), static_cast<int>(k), static_cast<int>(nOpTotal));
            if (!EntryPaths(e, &s, &d))
                return false;
            // A file that cannot be removed is not reported.
            if (FileExists(d.c_str()))
                std::remove(d.c_str());
        }
        k++;
        return true;
    });
}

}  // namespace

int ParseScript(unsigned uPass)
{
    Log("PASS : %d", static_cast<int>(uPass));
    if (uPass == 0)
        nOpTotal = 0;
    const std::string temp = AppPath(SuiteProgramFile(INSTALL_TEMP_PROGRAM).c_str());
    if (FileExists(temp.c_str()))
        std::remove(temp.c_str());
    DlgMainProgress(0);

    InstallJournal journal;
    ReadResult r;
    if (uPass == 0) {
        r = ScanScript();
    } else {
        uint64_t hash = 0;
        r = HashScript(&hash) ? READ_COMPLETE : READ_NOT_OPENED;
        if (r == READ_COMPLETE) {
            journal.Load(TmpPath(JOURNAL_FILE_NAME), hash);
            r = ApplyScript(journal);
        }
    }
    if (r == READ_NOT_OPENED)
        return Error("Could not open install script !");
    // A script that cannot be read to its end is as unreadable as one that
    // does not open.
    if (r == READ_FAILED)
        Error("Could not open install script !");
    DlgMainProgress(100);
    if (r != READ_COMPLETE)
        return 0;
    if (uPass == 1) {
        std::remove(szLocalInstallScript);
        journal.Remove();
        InstallProgressTxt(TASK_STEP_DONE, "Done !");
        ExecTools(SUITE_UPDATE_PROGRAM, "check");
    }
    return 1;
}
