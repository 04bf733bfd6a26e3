#include "script_reader.h"

#include <cstring>

bool ScriptReader::Feed(const char* pData, size_t uSize)
{
    for (size_t i = 0; i < uSize && !bStopped; i++) {
        sPiece.push_back(pData[i]);
        if (pData[i] == '\n' || sPiece.size() == SCRIPT_LINE_SIZE - 1) {
            if (!Line())
                bStopped = true;
        }
    }
    return !bStopped;
}

bool ScriptReader::Finish()
{
    if (!bStopped && !sPiece.empty() && !Line())
        bStopped = true;
    return !bStopped;
}

bool ScriptReader::Line()
{
    // The line's text is what a C string of the buffer holds.
    std::string text(sPiece.c_str());
    sPiece.clear();
    uLines++;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (text.empty() || text[0] == ';')
        return true;

    ScriptEntry e;
    e.uLine = uLines;
    if (!bHeader) {
        if (text == SCRIPT_HEADER) {
            bHeader = true;
            return true;
        }
        e.nKind = SCRIPT_BAD_HEADER;
        fnEntry(e);
        return false;
    }

    const size_t eq = text.find('=');
    if (eq == std::string::npos) {
        e.nKind = SCRIPT_BAD_SEPARATOR;
        fnEntry(e);
        return false;
    }
    e.sName = text.substr(0, eq);
    e.sArg = text.substr(eq + 1);
    if (e.sName == "INSTALL") {
        const size_t bar = e.sArg.find('|');
        if (bar == std::string::npos) {
            e.nKind = SCRIPT_NO_DESTINATION;
            fnEntry(e);
            return false;
        }
        e.nKind = SCRIPT_INSTALL;
        e.sSource = e.sArg.substr(0, bar);
        e.sDest = e.sArg.substr(bar + 1);
    } else if (e.sName == "DELETE") {
        e.nKind = SCRIPT_DELETE;
    } else {
        e.nKind = SCRIPT_UNKNOWN;
    }
    return fnEntry(e);
}

std::vector<ScriptEntry> ScriptReadAll(const char* pData, size_t uSize)
{
    std::vector<ScriptEntry> entries;
    ScriptReader reader([&](const ScriptEntry& e) {
        entries.push_back(e);
        return true;
    });
    if (reader.Feed(pData, uSize))
        reader.Finish();
    return entries;
}
