#include "scope_wav.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "event.h"
#include "fileio.h"
#include "fileutil.h"
#include "log.h"
#include "scope_parse.h"
#include "timeutil.h"

namespace {

constexpr size_t PADDING_CHUNK = 64 * 1024;    // bytes of padding written per call
constexpr int FREE_NAME_TRIES = 999;            // "_2" to "_999" before giving up on a free name
constexpr uint64_t WAV_DATA_MAX = 0xFFFFFFFFull - 36;   // largest data chunk the header can state

void PutU16(unsigned char* p, unsigned v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void PutU32(unsigned char* p, uint32_t v)
{
    PutU16(p, v & 0xFFFF);
    PutU16(p + 2, v >> 16);
}

// Renames without replacing an existing file, as the desktop's move does.
bool RenameNoReplace(const char* szFrom, const char* szTo)
{
    return FileRenameNoReplace(szFrom, szTo);
}

// Creates the folder and its parents when missing; quiet, as every file
// step of the recorder.
void EnsureDir(const char* szDir)
{
    std::string path(szDir);
    for (size_t pos = path.find(APP_SEPARATOR, 1); ; pos = path.find(APP_SEPARATOR, pos + 1)) {
        const std::string part = path.substr(0, pos);
        if (!part.empty())
            (void)DirCreate(part.c_str());
        if (pos == std::string::npos)
            break;
    }
}

long long RawFileSize(const char* szPath, long long* pmtime)
{
    FileStatus st;
    if (!FileStatusOf(szPath, true, &st, nullptr) || st.nType != FILE_KIND_REGULAR)
        return -1;
    if (pmtime != nullptr)
        *pmtime = st.tmModified;
    return static_cast<long long>(st.uSize);
}

// Moves raw samples that could not be converted out of the way, so the next
// period starts a raw file of its own and nothing is mixed or lost.
void KeepRaw(WavRecorder& rec, const std::string& sName)
{
    const std::string keep = WavFreePath(rec.settings.szWavDir, sName.c_str(), "bin");
    if (RenameNoReplace(rec.settings.szTmpFile, keep.c_str()))
        Log("Raw samples kept in '%s' !", keep.c_str());
    else
        Log("ERROR :Could not keep raw samples of '%s' in '%s' !", rec.settings.szTmpFile, keep.c_str());
}

// Converts one period's raw file into the next free name of sName.
void Finish(WavRecorder& rec, const std::string& sName, unsigned nRate)
{
    const std::string out = WavFreePath(rec.settings.szWavDir, sName.c_str(), "wav");
    if (WavFromRaw(rec.settings.szTmpFile, out.c_str(), nRate)) {
        rec.vFilesWritten.push_back(out);
        rec.uFilesWritten++;
    } else if (RawFileSize(rec.settings.szTmpFile, nullptr) > 0) {
        KeepRaw(rec, sName);
    }
}

// A raw file with samples that no WAV file was made of (the program ended
// during a recording, or recording was switched off before a disconnect).
void ConvertLeftover(WavRecorder& rec)
{
    long long mtime = 0;
    const long long size = RawFileSize(rec.settings.szTmpFile, &mtime);
    if (size <= 0)
        return;
    const bool known = rec.bPeriodOpen;
    const unsigned rate = known ? rec.nPeriodRate : rec.nWavSampleRate;
    const std::string name = WavLocalTime(known ? rec.tmFile : mtime, "%Y%m%d_%H%M%S");
    Log("Raw file '%s' of an unfinished recording (%lld bytes): converting it as %s...", rec.settings.szTmpFile,
        size, name.c_str());
    Finish(rec, name, rate);
}

}  // namespace

wavheader_t WavHeader(unsigned nSampleRate, uint32_t uDataSize)
{
    wavheader_t h{};
    std::memcpy(h.riff, "RIFF", 4);
    h.size_of_file = uDataSize + 36;
    std::memcpy(h.wave, "WAVE", 4);
    std::memcpy(h.fmt, "fmt ", 4);
    h.size_of_chunk = 16;
    h.format = 1;
    h.channel = 2;
    h.sample_rate = nSampleRate;
    h.sample_bps = nSampleRate * h.channel * 2;
    h.alignment = static_cast<uint16_t>(h.channel * 2);
    h.sample_size = 16;
    std::memcpy(h.data, "data", 4);
    h.data_size = uDataSize;
    return h;
}

void WavHeaderBytes(const wavheader_t& h, unsigned char* p)
{
    std::memcpy(p + 0, h.riff, 4);
    PutU32(p + 4, h.size_of_file);
    std::memcpy(p + 8, h.wave, 4);
    std::memcpy(p + 12, h.fmt, 4);
    PutU32(p + 16, h.size_of_chunk);
    PutU16(p + 20, h.format);
    PutU16(p + 22, h.channel);
    PutU32(p + 24, h.sample_rate);
    PutU32(p + 28, h.sample_bps);
    PutU16(p + 32, h.alignment);
    PutU16(p + 34, h.sample_size);
    std::memcpy(p + 36, h.data, 4);
    PutU32(p + 40, h.data_size);
}

std::string WavLocalTime(long long tmValue, const char* szFormat)
{
    return LocalTimeText(tmValue, szFormat);
}

std::string WavFreePath(const char* szDir, const char* szName, const char* szExt)
{
    const std::string base = std::string(szDir) + APP_SEPARATOR + szName;
    std::string path = base + "." + szExt;
    FileStatus st;
    for (int n = 2; n <= FREE_NAME_TRIES && FileStatusOf(path.c_str(), true, &st, nullptr); n++)
        path = base + "_" + std::to_string(n) + "." + szExt;
    return path;
}

WavRecorder::WavRecorder(ScopeSettings& s) : settings(s), fnNow([] { return static_cast<long long>(time(nullptr)); })
{
}

void WavSetMode(WavRecorder& rec, unsigned nSampleRate)
{
    rec.nWavSampleRate = nSampleRate;
    rec.nWavSmpPerFile = rec.settings.nWavDuration * nSampleRate;
}

void WavInit(WavRecorder& rec)
{
    // The raw file of an unfinished recording still belongs to the old period.
    EnsureDir(rec.settings.szWavDir);
    ConvertLeftover(rec);

    const long long duration = rec.settings.nWavDuration > 0 ? rec.settings.nWavDuration : WAV_DURATION_DEFAULT;
    const long long now = rec.fnNow();
    rec.tmStart = now;
    rec.tmFile = now - ((now % duration) + duration) % duration;
    const unsigned elapsed = static_cast<unsigned>(now - rec.tmFile);
    rec.nWavSmp = rec.nWavSampleRate * elapsed;
    const unsigned long long padding = static_cast<unsigned long long>(rec.nWavSmp) * 4;
    Log("Wav start at %s, File is %s - Elapsed: %u s, Sample: %u smp, Padding: %u smp, nWavSmpPerFile: %u smp",
        WavLocalTime(rec.tmStart, "%Y-%m-%d %H:%M:%S").c_str(), WavLocalTime(rec.tmFile, "%Y-%m-%d %H:%M:%S").c_str(),
        elapsed, rec.nWavSmp, static_cast<unsigned>(padding), rec.nWavSmpPerFile);

    rec.bPeriodOpen = true;
    rec.nPeriodRate = rec.nWavSampleRate;

    FILE* f = std::fopen(rec.settings.szTmpFile, "wb");
    if (f == nullptr)
        return;
    // The padding goes out in chunks: a long period would need hundreds of
    // megabytes in one piece.
    std::vector<unsigned char> chunk(static_cast<size_t>(std::min<unsigned long long>(padding, PADDING_CHUNK)));
    for (size_t i = 0; i + 1 < chunk.size(); i += 2)
        PutU16(chunk.data() + i, static_cast<uint16_t>(WAV_PADDING_VALUE));
    for (unsigned long long left = padding; left > 0;) {
        const size_t n = static_cast<size_t>(std::min<unsigned long long>(left, chunk.size()));
        if (std::fwrite(chunk.data(), 1, n, f) != n) {
            Log("ERROR :Could not write padding to '%s' !", rec.settings.szTmpFile);
            break;
        }
        left -= n;
    }
    if (std::fclose(f) != 0)
        Log("ERROR :Could not write padding to '%s' !", rec.settings.szTmpFile);
}

void WavAddBloc(WavRecorder& rec, const int16_t* pBloc)
{
    FILE* f = std::fopen(rec.settings.szTmpFile, "ab");
    if (f == nullptr)
        return;
    unsigned char bytes[SCOPE_BLOC_SIZE * 2];
    const unsigned samples = std::min(rec.nWavSampleRate, SCOPE_BLOC_SIZE);
    for (unsigned k = 0; k < samples; k++)
        PutU16(bytes + 2 * k, static_cast<uint16_t>(pBloc[k]));
    const size_t size = static_cast<size_t>(samples) * 2;
    bool ok = std::fwrite(bytes, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        Log("ERROR :Could not append %zu bytes to '%s' !", size, rec.settings.szTmpFile);
    rec.nWavSmp += rec.nWavSampleRate / 2;
    Log("nWavSmp: %u", rec.nWavSmp);
    if (rec.nWavSmp >= rec.nWavSmpPerFile) {
        Log("nWavSmp: %u, nWavSmpPerFile: %u", rec.nWavSmp, rec.nWavSmpPerFile);
        WavWrite(rec);
    }
}

void WavWrite(WavRecorder& rec)
{
    const unsigned rate = rec.bPeriodOpen ? rec.nPeriodRate : rec.nWavSampleRate;
    Finish(rec, WavLocalTime(rec.tmFile, "%Y%m%d_%H%M%S"), rate);
    rec.nWavSmp = 0;
    rec.tmFile += rec.settings.nWavDuration;
}

int WavFromRaw(const char* rawfile, const char* outfile, unsigned nSampleRate)
{
    const unsigned long long began = TickCountMs();
    Log("Building wav file %s from ...", outfile);
    const std::string build = std::string(rawfile) + ".wav";
    Log("Create intermediate wav file to '%s'...", build.c_str());

    FILE* raw = std::fopen(rawfile, "rb");
    if (raw == nullptr) {
        Log("ERROR :Could not open raw file '%s' !", rawfile);
        return 0;
    }
    long long size = -1;
    if (fseeko(raw, 0, SEEK_END) == 0)
        size = static_cast<long long>(ftello(raw));
    if (size <= 0 || fseeko(raw, 0, SEEK_SET) != 0) {
        std::fclose(raw);
        Log("WARNING : No samples found !");
        return 0;
    }
    if (static_cast<unsigned long long>(size) > WAV_DATA_MAX) {
        std::fclose(raw);
        Log("ERROR :Raw file '%s' of %lld bytes is too large for a wav file !", rawfile, size);
        return 0;
    }
    // Whole sample frames only: a recording cut in the middle of a write
    // leaves a partial one that no player could align.
    const uint32_t data = static_cast<uint32_t>(size - size % 4);
    Log("Raw data : %u bytes", static_cast<unsigned>(size));
    if (data != size)
        Log("WARNING : %u trailing bytes of a partial sample frame dropped !", static_cast<unsigned>(size - data));

    FILE* out = std::fopen(build.c_str(), "wb");
    if (out == nullptr) {
        std::fclose(raw);
        Log("ERROR :Could not open build file '%s' !", build.c_str());
        return 0;
    }
    Log("Allocate %d bytes for wav conversion buffer...", WAV_COPY_CHUNK);
    auto* buffer = static_cast<unsigned char*>(std::malloc(WAV_COPY_CHUNK));
    if (buffer == nullptr) {
        std::fclose(raw);
        std::fclose(out);
        Log("ERROR :Could not allocate %d bytes for wav conversion buffer !", WAV_COPY_CHUNK);
        return 0;
    }
    WavHeaderBytes(WavHeader(nSampleRate, data), buffer);
    bool ok = std::fwrite(buffer, 1, WAV_HEADER_SIZE, out) == WAV_HEADER_SIZE;
    for (uint32_t left = data; ok && left > 0;) {
        const size_t want = left < WAV_COPY_CHUNK ? left : WAV_COPY_CHUNK;
        const size_t got = std::fread(buffer, 1, want, raw);
        ok = got == want && std::fwrite(buffer, 1, got, out) == got;
        left -= static_cast<uint32_t>(got);
    }
    std::free(buffer);
    std::fclose(raw);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        Log("ERROR :Could not copy chunk from '%s' to '%s' !", rawfile, build.c_str());
        return 0;
    }

    Log("Moving '%s' to '%s'...", build.c_str(), outfile);
    if (!RenameNoReplace(build.c_str(), outfile)) {
        Log("ERROR :Could not move '%s' to '%s' (%s) !", build.c_str(), outfile, std::strerror(errno));
        return 0;
    }
    Log("Remove '%s' ...", rawfile);
    std::remove(rawfile);
    Log("Wav file '%s' ready !", outfile);
    Log("Conversion duration : %d ms", static_cast<int>(TickCountMs() - began));
    return 1;
}
