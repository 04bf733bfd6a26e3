#include "terminal_settings.h"

#include <cstdio>
#include <cstring>

#include "fileio.h"
#include "log.h"
#include "profile.h"
#include "textutil.h"

namespace {

constexpr size_t kReadMax = 64u << 10;   // a settings file is a few lines

struct LineEndName {
    const char* szName;
    const char* szBytes;
};
const LineEndName tLineEnds[LINE_END_COUNT] = {{"CR", "\r"}, {"LF", "\n"}, {"CRLF", "\r\n"}, {"none", ""}};

// "0" or "1"; anything else keeps the value.
void TakeSwitch(bool& bValue, const std::string& sKey, const std::string& sValue)
{
    if (sValue == "0" || sValue == "1")
        bValue = sValue == "1";
    else
        Log("Settings: %s '%s' refused (0 or 1) !", sKey.c_str(), sValue.c_str());
}

void TakeLine(TerminalSettings& s, std::string_view line)
{
    std::string key, value;
    if (!SplitSettingLine(line, &key, &value))
        return;
    if (key == "timeStamps") {
        TakeSwitch(s.bStamps, key, value);
    } else if (key == "hexView") {
        TakeSwitch(s.bHex, key, value);
    } else if (key == "liveLog") {
        TakeSwitch(s.bLiveLog, key, value);
    } else if (key == "lineEnd") {
        for (int i = 0; i < LINE_END_COUNT; i++)
            if (value == tLineEnds[i].szName)
                s.nLineEnd = static_cast<TerminalLineEnd>(i);
    } else if (key == "liveLogFile") {
        // No path holds a zero byte: the text before it would name another file.
        if (value.empty() || value.size() > TERMINAL_LOG_PATH_MAX || value.find('\0') != std::string::npos)
            Log("Settings: liveLogFile of %zu characters refused !", value.size());
        else
            s.sLiveLogFile = value;
    }
}

}  // namespace

const char* TerminalLineEndBytes(TerminalLineEnd nEnd)
{
    return tLineEnds[nEnd >= 0 && nEnd < LINE_END_COUNT ? nEnd : LINE_END_CR].szBytes;
}

const char* TerminalLineEndName(TerminalLineEnd nEnd)
{
    return tLineEnds[nEnd >= 0 && nEnd < LINE_END_COUNT ? nEnd : LINE_END_CR].szName;
}

void TerminalParseSettings(TerminalSettings& settings, const char* pText, size_t uLength)
{
    ForEachLine(pText, uLength, [&](std::string_view line, unsigned) {
        if (line.size() <= TERMINAL_SETTINGS_LINE_MAX)
            TakeLine(settings, line);
    });
}

bool TerminalLoadSettings(TerminalSettings& settings, const std::string& sPath)
{
    FILE* f = std::fopen(sPath.c_str(), "rb");
    if (f == nullptr)
        return false;
    std::string text(kReadMax, '\0');
    const size_t got = std::fread(text.data(), 1, text.size(), f);
    std::fclose(f);
    TerminalParseSettings(settings, text.data(), got);
    return true;
}

bool TerminalSaveSettings(const TerminalSettings& settings, const std::string& sPath)
{
    FileBeside out(FileBeside::UNFINISHED_REMOVE);
    FILE* f = out.Open(sPath + ".tmp");
    if (f == nullptr)
        return false;
    const ProgramProfile& p = tProgramProfiles[PROGRAM_TERMINAL];
    // A path that holds a line end cannot stand on one line: it is not kept.
    const std::string& log = settings.sLiveLogFile;
    const bool logFits = log.find_first_of("\r\n") == std::string::npos;
    bool ok = std::fprintf(f, "; %s V%s settings file\n", p.szFileName, p.szVersion) > 0;
    ok = std::fprintf(f, "timeStamps=%d\nhexView=%d\nlineEnd=%s\nliveLog=%d\nliveLogFile=%s\n",
                      settings.bStamps ? 1 : 0, settings.bHex ? 1 : 0, TerminalLineEndName(settings.nLineEnd),
                      settings.bLiveLog ? 1 : 0, logFits ? log.c_str() : "") > 0 && ok;
    if (!ok) {
        out.Discard();
        return false;
    }
    return out.Commit(sPath) == FileBeside::FILE_BESIDE_DONE;
}
