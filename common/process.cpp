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

int IsProcessRunning(const char* szName)
{
    std::vector<ProcessEntry> list;
    if (!ProcessSnapshot(&list))
        return 0;
    for (const ProcessEntry& p : list) {
        if (p.sName == szName)
            return 1;
    }
    return 0;
}

int KillProces(const char* szName)
{
    std::vector<ProcessEntry> list;
    if (!ProcessSnapshot(&list))
        return 0;
    const ProcessId self = ProcessCurrentId();
    bool ended = false;
    for (const ProcessEntry& p : list) {
        if (p.sName == szName && p.nId != self && ProcessTerminate(p.nId, 5000))
            ended = true;
    }
    return ended ? 1 : 0;
}

int IsProgramRunning(const char* szPath)
{
    const std::string path = ProcessProgramPath(szPath);
    std::vector<ProcessEntry> list;
    if (path.empty() || !ProcessSnapshot(&list))
        return 0;
    for (const ProcessEntry& p : list) {
        if (p.sPath == path)
            return 1;
    }
    return 0;
}

int KillProgram(const char* szPath)
{
    const std::string path = ProcessProgramPath(szPath);
    std::vector<ProcessEntry> list;
    if (path.empty() || !ProcessSnapshot(&list))
        return 0;
    const ProcessId self = ProcessCurrentId();
    bool ended = false;
    for (const ProcessEntry& p : list) {
        if (p.sPath == path && p.nId != self && ProcessTerminate(p.nId, 5000))
            ended = true;
    }
    return ended ? 1 : 0;
}
