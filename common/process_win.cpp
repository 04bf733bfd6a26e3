// Windows part of the process utilities: CreateProcess, a Toolhelp
// snapshot, TerminateProcess.
#include <windows.h>
#include <tlhelp32.h>

#include "errno_win.h"
#include "process.h"

namespace {

// One argument as the C runtime of the started program splits it again:
// quoted when it holds a blank or a quote (or is empty), a quote escaped,
// and backslashes doubled where a quote follows them.
void AppendArgument(std::string* pLine, const std::string& sArg)
{
    if (!pLine->empty())
        *pLine += ' ';
    if (!sArg.empty() && sArg.find_first_of(" \t\n\v\"") == std::string::npos) {
        *pLine += sArg;
        return;
    }
    *pLine += '"';
    size_t backslashes = 0;
    for (char c : sArg) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        if (c == '"')
            pLine->append(backslashes * 2 + 1, '\\');
        else
            pLine->append(backslashes, '\\');
        backslashes = 0;
        *pLine += c;
    }
    pLine->append(backslashes * 2, '\\');
    *pLine += '"';
}

}  // namespace

bool ProcessStartDetached(const std::string& sPath, const std::vector<std::string>& vArgs,
                          const std::string& sWorkDir, std::string* pError)
{
    std::string line;
    AppendArgument(&line, sPath);
    for (const std::string& a : vArgs)
        AppendArgument(&line, a);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Its own process group, without this program's console: closing
    // either leaves the other running.
    if (!CreateProcessA(sPath.c_str(), line.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr,
                        sWorkDir.empty() ? nullptr : sWorkDir.c_str(), &si, &pi)) {
        if (pError != nullptr)
            *pError = WindowsErrorText(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool ProcessStartWatched(const std::string&, const std::string&, ProcessWatch*)
{
    return false;   // documents go to the shell (ShellExecute), which reports itself
}

unsigned char ProcessWatchedStatus(const ProcessWatch&)
{
    return PROCESS_STATUS_LOST;
}

bool ProcessSnapshot(std::vector<ProcessEntry>* pList)
{
    pList->clear();
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        // The snapshot holds the executable's file name without directory.
        if (entry.th32ProcessID == 0 || entry.szExeFile[0] == '\0')
            continue;
        // The full path, where the process may be asked for it.
        std::string path;
        if (const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)) {
            char buffer[MAX_PATH * 2] = "";
            DWORD size = sizeof buffer;
            if (QueryFullProcessImageNameA(process, 0, buffer, &size))
                path.assign(buffer, size);
            CloseHandle(process);
        }
        pList->push_back({static_cast<ProcessId>(entry.th32ProcessID), entry.szExeFile, path});
    }
    CloseHandle(snapshot);
    return true;
}

std::string ProcessProgramPath(const char* szPath)
{
    char full[MAX_PATH * 2] = "";
    const DWORD n = GetFullPathNameA(szPath, sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full, n) : std::string(szPath);
}

ProcessId ProcessCurrentId()
{
    return static_cast<ProcessId>(GetCurrentProcessId());
}

bool ProcessTerminate(ProcessId nId, unsigned uWaitMs)
{
    const HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(nId));
    if (h == nullptr)
        return false;
    const bool ended = TerminateProcess(h, 1) != 0;
    if (ended)
        WaitForSingleObject(h, uWaitMs);
    CloseHandle(h);
    return ended;
}
