#include "scope_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fileutil.h"
#include "log.h"
#include "profile.h"
#include "scope_parse.h"
#include "statedir.h"
#include "textutil.h"

namespace {

constexpr char CONFIG_NAME[] = "VARN-Scope";
constexpr char TMP_NAME[] = "tmp.bin";
// A settings file is a few lines; more than this is not one.
constexpr size_t CONFIG_READ_MAX = 1u << 20;
// The desktop's user folders file: a dozen short lines.
constexpr size_t USER_DIRS_READ_MAX = 64 * 1024;
constexpr size_t USER_DIRS_LINE_MAX = 2 * static_cast<size_t>(APP_PATH_SIZE);   // longer lines are no folder of ours

void SetDir(ScopeSettings& s, const std::string& sDir)
{
    std::snprintf(s.szWavDir, sizeof s.szWavDir, "%s", sDir.c_str());
}

// nWavDuration: the leading decimal number, 1..WAV_DURATION_MAX.
void TakeDuration(ScopeSettings& s, const std::string& sValue)
{
    const char* p = sValue.c_str();
    while (*p == ' ' || *p == '\t')
        p++;
    const bool digits = *p >= '0' && *p <= '9';
    const long long value = digits ? ScopeParseDecimal(p, p + std::strlen(p)) : 0;
    if (!digits || value <= 0 || value > WAV_DURATION_MAX) {
        Log("Settings: nWavDuration '%s' refused (1 to %u s), %u s kept !", sValue.c_str(), WAV_DURATION_MAX,
            s.nWavDuration);
        return;
    }
    s.nWavDuration = static_cast<unsigned>(value);
}

void TakeDir(ScopeSettings& s, const std::string& sValue)
{
    if (sValue.empty() || sValue.size() >= sizeof s.szWavDir) {
        Log("Settings: wavDir of %zu characters refused (1 to %zu), '%s' kept !", sValue.size(),
            sizeof s.szWavDir - 1, s.szWavDir);
        return;
    }
    // No folder name holds a zero byte: the text before it would name
    // another folder (or none at all).
    if (sValue.find('\0') != std::string::npos) {
        Log("Settings: wavDir holding a zero byte refused, '%s' kept !", s.szWavDir);
        return;
    }
    SetDir(s, sValue);
}

void TakeLine(ScopeSettings& s, std::string_view line)
{
    std::string key, value;
    if (!SplitSettingLine(line, &key, &value))
        return;
    if (key == "wavEnable")
        s.bSaveWav = ScopeParseDecimal(value.data(), value.data() + value.size());
    else if (key == "nWavDuration")
        TakeDuration(s, value);
    else if (key == "wavDir")
        TakeDir(s, value);
}

std::string Getenv(const char* szName)
{
    const char* v = std::getenv(szName);
    return v != nullptr ? std::string(v) : std::string();
}

// The user-dirs.dirs file of the desktop's user folders.
std::string UserDirsDocuments(const std::string& sHome)
{
    std::string config = Getenv("XDG_CONFIG_HOME");
    if (config.empty())
        config = sHome + "/.config";
    FILE* f = FileOpenRegular((config + "/user-dirs.dirs").c_str(), "rb");
    if (f == nullptr)
        return {};
    std::string text(USER_DIRS_READ_MAX, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return ScopeParseUserDirs(text.data(), text.size(), sHome);
}

}  // namespace

std::string ScopeParseUserDirs(const char* pText, size_t uLength, const std::string& sHome)
{
    static const char key[] = "XDG_DOCUMENTS_DIR=\"";
    std::string found;
    ForEachLine(pText, uLength, [&](std::string_view line, unsigned) {
        if (line.size() > USER_DIRS_LINE_MAX || line.compare(0, sizeof key - 1, key) != 0)
            return;
        std::string value(line.substr(sizeof key - 1));
        const size_t quote = value.find('"');
        if (quote == std::string::npos)
            return;
        value.resize(quote);
        if (value.rfind("$HOME", 0) == 0)
            value = sHome + value.substr(5);
        // A folder name holds no zero byte, and it must fit the settings.
        if (!value.empty() && value[0] == '/' && value.find('\0') == std::string::npos &&
            value.size() < static_cast<size_t>(APP_PATH_SIZE))
            found = value;
    });
    return found;
}

std::string ScopeDocumentsDir()
{
    std::string dir = Getenv("XDG_DOCUMENTS_DIR");
    if (!dir.empty())
        return dir;
    const std::string home = Getenv("HOME");
    if (home.empty())
        return ".";
    dir = UserDirsDocuments(home);
    return dir.empty() ? home + "/Documents" : dir;
}

void ScopeSettingsUpdatePaths(ScopeSettings& settings)
{
    std::snprintf(settings.szTmpFile, sizeof settings.szTmpFile, "%s%c%s", settings.szWavDir, APP_SEPARATOR,
                  TMP_NAME);
}

void ScopeSettingsInit(ScopeSettings& settings, const char* szAppDir)
{
    settings.bSaveWav = 0;
    settings.nWavDuration = WAV_DURATION_DEFAULT;
    const std::string docs = ScopeDocumentsDir();
    if (docs.size() < sizeof settings.szWavDir)
        SetDir(settings, docs);
    else
        SetDir(settings, ".");
    std::snprintf(settings.szCfgFile, sizeof settings.szCfgFile, "%s", AppSettingsFile(CONFIG_NAME, szAppDir).c_str());
    ScopeSettingsUpdatePaths(settings);
}

void ScopeParseConfig(ScopeSettings& settings, const char* pText, size_t uLength)
{
    ForEachLine(pText, uLength, [&](std::string_view line, unsigned number) {
        if (line.size() > SCOPE_CONFIG_LINE_SIZE - 1)
            Log("Settings: line %u of %zu characters ignored !", number, line.size());
        else
            TakeLine(settings, line);
    });
}

int LoadConfig(ScopeSettings& settings)
{
    // Only a file: a pipe here would hold the start forever.
    const char* kind = nullptr;
    FILE* f = FileOpenRegular(settings.szCfgFile, "rb", &kind);
    if (f == nullptr) {
        if (kind != nullptr)
            Log("Settings: '%s' is a %s, not a regular file: not read !", settings.szCfgFile, kind);
        ScopeSettingsUpdatePaths(settings);
        return 0;
    }
    std::string text(CONFIG_READ_MAX, '\0');
    const size_t got = std::fread(text.data(), 1, text.size(), f);
    std::fclose(f);
    if (got == CONFIG_READ_MAX)
        Log("Settings: only the first %zu bytes of '%s' read !", CONFIG_READ_MAX, settings.szCfgFile);
    ScopeParseConfig(settings, text.data(), got);
    ScopeSettingsUpdatePaths(settings);
    return 1;
}

int WriteConfig(const ScopeSettings& settings)
{
    FILE* f = FileOpenRegular(settings.szCfgFile, "w");
    if (f == nullptr)
        return 0;
    const ProgramProfile& p = tProgramProfiles[PROGRAM_SCOPE];
    bool ok = std::fprintf(f, "; %s V%s configuration file\n", p.szFileName, p.szVersion) > 0;
    ok = std::fprintf(f, "wavEnable=%d\n", settings.bSaveWav.load()) > 0 && ok;
    ok = std::fprintf(f, "nWavDuration=%u\n", settings.nWavDuration) > 0 && ok;
    ok = std::fprintf(f, "wavDir=%s\n", settings.szWavDir) > 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok ? 1 : 0;
}
