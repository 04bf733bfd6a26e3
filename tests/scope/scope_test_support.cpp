#include "scope_test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "appframe.h"
#include "scope_stream.h"

ScopeFrame::ScopeFrame()
{
    AppStartupFrameIn(PROGRAM_SCOPE, dir.Path().c_str());
    ScopeSettingsInit(settings, dir.Path().c_str());
    std::snprintf(settings.szWavDir, sizeof settings.szWavDir, "%s/wav", dir.Path().c_str());
    ScopeSettingsUpdatePaths(settings);
}

std::vector<int32_t> SimFrameValues(int k, bool bBinary)
{
    const int rate = bBinary ? varnsim::ScopeStream::kBinaryRate : varnsim::ScopeStream::kAsciiRate;
    const int pairs = rate / 2;
    std::vector<int32_t> values;
    for (int i = 0; i < pairs; i++) {
        const uint64_t index = static_cast<uint64_t>(k - 1) * pairs + i;
        values.push_back(varnsim::ScopeStream::Sample(0, index, rate));
        values.push_back(varnsim::ScopeStream::Sample(1, index, rate));
    }
    return values;
}

int LastSimFrame(const ScopeSnapshot& snapshot, bool bBinary, int uSearch)
{
    for (int k = 1; k <= uSearch; k++) {
        const std::vector<int32_t> v = SimFrameValues(k, bBinary);
        if (std::equal(v.begin(), v.end(), snapshot.vDataBuffer + SCOPE_DISPLAY_SIZE - v.size()))
            return k;
    }
    return 0;
}

namespace {

// Runs a command and returns its standard output.
std::string Capture(const std::string& sCommand, int* pStatus)
{
    std::string out;
    FILE* p = popen(sCommand.c_str(), "r");
    if (p == nullptr) {
        *pStatus = -1;
        return out;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    *pStatus = pclose(p);
    return out;
}

const char kReadWav[] =
    "import sys, wave, array\n"
    "w = wave.open(sys.argv[1], 'rb')\n"
    "data = array.array('h', w.readframes(w.getnframes()) if len(sys.argv) > 2 else b'')\n"
    "if sys.byteorder == 'big': data.byteswap()\n"
    "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes())\n"
    "if len(sys.argv) > 2: print(' '.join(map(str, data)))\n";

}  // namespace

bool PythonWaveAvailable()
{
    int status = 0;
    Capture("python3 -c 'import wave' 2>/dev/null && echo yes", &status);
    return status == 0;
}

WavReadBack ReadWavWithPython(const std::string& sPath, bool bSamples)
{
    WavReadBack r;
    const std::string script = "/tmp/varn-readwav-" + std::to_string(getpid()) + ".py";
    if (FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs(kReadWav, f);
        std::fclose(f);
    }
    int status = 0;
    const std::string out = Capture("python3 '" + script + "' '" + sPath + "'" + (bSamples ? " samples" : "") + " 2>&1", &status);
    std::remove(script.c_str());
    std::istringstream in(out);
    if (status != 0 || !(in >> r.nChannels >> r.nSampleWidth >> r.nFrameRate >> r.nFrames)) {
        r.sError = out;
        return r;
    }
    int v;
    while (in >> v)
        r.vSamples.push_back(static_cast<int16_t>(v));
    r.bOk = true;
    return r;
}

std::vector<std::string> FilesWithExt(const std::string& sDir, const std::string& sExt)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(sDir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            struct stat st;
            if (stat((sDir + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            if (name.size() > sExt.size() && name.compare(name.size() - sExt.size(), sExt.size(), sExt) == 0)
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}
