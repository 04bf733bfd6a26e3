#include "scope_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log.h"
#include "profile.h"
#include "scope_parse.h"

namespace {

constexpr char CONFIG_NAME[] = "VARN-Scope";
constexpr char TMP_NAME[] = "tmp.bin";
// A settings file is a few lines; more than this is not one.
constexpr size_t CONFIG_READ_MAX = 1u << 20;

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

void TakeLine(ScopeSettings& s, std::string line)
{
    // A file edited on the other platform ends its lines with CR LF.
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty() || line[0] == ';')
        return;
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
        return;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
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

// The XDG_DOCUMENTS_DIR line of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string UserDirsDocuments(const std::string& sHome)
{
    std::string config = Getenv("XDG_CONFIG_HOME");
    if (config.empty())
        config = sHome + "/.config";
    FILE* f = std::fopen((config + "/user-dirs.dirs").c_str(), "r");
    if (f == nullptr)
        return {};
    std::string found;
    char line[APP_PATH_SIZE * 2];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        static const char key[] = "XDG_DOCUMENTS_DIR=\"";
        if (std::strncmp(line, key, sizeof key - 1) != 0)
            continue;
        std::string value = line + sizeof key - 1;
        const size_t quote = value.find('"');
        if (quote == std::string::npos)
            continue;
        value.resize(quote);
        if (value.rfind("$HOME", 0) == 0)
            value = sHome + value.substr(5);
        if (!value.empty() && value[0] == '/')
            found = value;
    }
    std::fclose(f);
    return found;
}

}  // namespace

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
    size_t start = 0;
    unsigned number = 0;
    while (start < uLength) {
        const void* lf = std::memchr(pText + start, '\n', uLength - start);
        const size_t end = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - pText) : uLength;
        number++;
        if (end - start > SCOPE_CONFIG_LINE_SIZE - 1)
            Log("Settings: line %u of %zu characters ignored !", number, end - start);
        else
            TakeLine(settings, std::string(pText + start, end - start));
        start = end + 1;
    }
}

int LoadConfig(ScopeSettings& settings)
{
    FILE* f = std::fopen(settings.szCfgFile, "rb");
    if (f == nullptr) {
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
    FILE* f = std::fopen(settings.szCfgFile, "w");
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
