#include "process.h"

std::vector<std::string> ProcessSplitArgs(const char* szParams)
{
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false, quoted = false;
    for (const char* p = szParams; *p != '\0'; p++) {
        if (*p == '"') {
            quoted = !quoted;
            inArg = true;
        } else if (*p == ' ' && !quoted) {
            if (inArg)
                args.push_back(cur);
            cur.clear();
            inArg = false;
        } else {
            cur += *p;
            inArg = true;
        }
    }
    if (inArg)
        args.push_back(cur);
    return args;
}

namespace {

constexpr unsigned KILL_WAIT_MS = 5000;   // how long each ended process is waited for

// The one walk over the running processes: those whose executable name
// (bByPath false) or full path (bByPath true) equals sKey are looked for,
// or ended (bEnd; never this process). 1 when one was found, or ended.
int WalkProcesses(bool bByPath, const std::string& sKey, bool bEnd)
{
    std::vector<ProcessEntry> list;
    if ((bByPath && sKey.empty()) || !ProcessSnapshot(&list))
        return 0;
    const ProcessId self = ProcessCurrentId();
    bool ended = false;
    for (const ProcessEntry& p : list) {
        if ((bByPath ? p.sPath : p.sName) != sKey)
            continue;
        if (!bEnd)
            return 1;
        if (p.nId != self && ProcessTerminate(p.nId, KILL_WAIT_MS))
            ended = true;
    }
    return ended ? 1 : 0;
}

}  // namespace

int IsProcessRunning(const char* szName)
{
    return WalkProcesses(false, szName, false);
}

int KillProces(const char* szName)
{
    return WalkProcesses(false, szName, true);
}

int IsProgramRunning(const char* szPath)
{
    return WalkProcesses(true, ProcessProgramPath(szPath), false);
}

int KillProgram(const char* szPath)
{
    return WalkProcesses(true, ProcessProgramPath(szPath), true);
}
