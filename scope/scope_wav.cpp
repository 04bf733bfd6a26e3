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
#include "textutil.h"
#include "timeutil.h"

namespace {

constexpr size_t PADDING_CHUNK = 64 * 1024;    // bytes of padding written per call
constexpr int FREE_NAME_TRIES = 999;            // "_2" to "_999" before giving up on a free name
constexpr uint64_t WAV_DATA_MAX = 0xFFFFFFFFull - 36;   // largest data chunk the header can state
constexpr char SIDE_EXT[] = ".period";                  // the raw file's side file: rate and period
constexpr size_t SIDE_SIZE_MAX = 256;                   // bytes of a side file read
constexpr char NOT_CONVERTED_NAME[] = "tmp_not_converted";   // raw samples of unknown rate and period

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

long long RawFileSize(const char* szPath)
{
    FileStatus st;
    if (!FileStatusOf(szPath, true, &st, nullptr) || st.nType != FILE_KIND_REGULAR)
        return -1;
    return static_cast<long long>(st.uSize);
}

std::string SidePath(const WavRecorder& rec)
{
    return std::string(rec.settings.szTmpFile) + SIDE_EXT;
}

// The system's reason for the last failure, or the kind of file in the way.
std::string Reason(const char* szKind)
{
    if (szKind != nullptr)
        return std::string("it is a ") + szKind + ", not a regular file";
    return std::strerror(errno);
}

// The recording cannot be written: it stops here, once, with one message
// that names what was kept.
void Report(WavRecorder& rec, const std::string& sWhat, const std::string& sKept)
{
    if (rec.bFailed.load())
        return;
    rec.settings.bSaveWav = 0;
    rec.bPeriodOpen = false;
    rec.sFailure = "Recording stopped: " + sWhat + " !";
    if (!sKept.empty())
        rec.sFailure += "\nThe samples recorded so far are kept in '" + sKept + "'.";
    rec.bFailed = true;
    Error("%s", rec.sFailure.c_str());
}

// Moves raw samples that could not be converted out of the way (with their
// side file), so the next period starts a raw file of its own and nothing is
// mixed or lost. The path they are in now.
std::string KeepRaw(WavRecorder& rec, const char* szName)
{
    const std::string keep = WavFreePath(rec.settings.szWavDir, szName, "bin");
    if (!RenameNoReplace(rec.settings.szTmpFile, keep.c_str())) {
        Log("ERROR :Could not keep raw samples of '%s' in '%s' !", rec.settings.szTmpFile, keep.c_str());
        return rec.settings.szTmpFile;
    }
    Log("Raw samples kept in '%s' !", keep.c_str());
    const std::string side = SidePath(rec);
    if (FileSpecialKind(side.c_str()) == nullptr && !RenameNoReplace(side.c_str(), (keep + SIDE_EXT).c_str()))
        std::remove(side.c_str());
    rec.bSideWritten = false;
    return keep;
}

// Converts one period's raw file into the next free name of sName. The WAV
// file's path (*pbWav true), or where the raw samples were kept when the
// conversion failed, or "" when there were none.
std::string Finish(WavRecorder& rec, const std::string& sName, unsigned nRate, bool* pbWav)
{
    *pbWav = false;
    const std::string out = WavFreePath(rec.settings.szWavDir, sName.c_str(), "wav");
    if (WavFromRaw(rec.settings.szTmpFile, out.c_str(), nRate)) {
        std::remove(SidePath(rec).c_str());
        rec.bSideWritten = false;
        rec.vFilesWritten.push_back(out);
        rec.uFilesWritten++;
        *pbWav = true;
        return out;
    }
    if (RawFileSize(rec.settings.szTmpFile) > 0)
        return KeepRaw(rec, sName.c_str());
    return {};
}

// Writes the side file of the raw file about to start: its rate and period.
bool WriteSide(WavRecorder& rec)
{
    const std::string side = SidePath(rec);
    const char* kind = nullptr;
    FILE* f = FileOpenRegular(side.c_str(), "wb", &kind);
    bool ok = f != nullptr;
    if (ok) {
        ok = std::fprintf(f, "rate=%u\nperiod=%lld\n", rec.nPeriodRate, rec.tmFile) > 0;
        ok = std::fclose(f) == 0 && ok;
    }
    if (!ok) {
        Report(rec, "could not write '" + side + "' (" + Reason(kind) + ")", {});
        return false;
    }
    rec.bSideWritten = true;
    return true;
}

bool ReadSide(const WavRecorder& rec, WavPeriodInfo* pInfo)
{
    FILE* f = FileOpenRegular(SidePath(rec).c_str(), "rb");
    if (f == nullptr)
        return false;
    char text[SIDE_SIZE_MAX];
    const size_t got = std::fread(text, 1, sizeof text, f);
    std::fclose(f);
    return WavParsePeriodInfo(text, got, pInfo);
}

// A raw file with samples that no WAV file was made of (the program ended
// during a recording, or recording was switched off before a disconnect):
// converted as its side file says, or kept unconverted when nothing says
// at which rate and for which period it was recorded.
void ConvertLeftover(WavRecorder& rec)
{
    const long long size = RawFileSize(rec.settings.szTmpFile);
    if (size <= 0)
        return;
    WavPeriodInfo info;
    if (!ReadSide(rec, &info)) {
        Log("Raw file '%s' of an unfinished recording (%lld bytes) has no period file: not converted !",
            rec.settings.szTmpFile, size);
        KeepRaw(rec, NOT_CONVERTED_NAME);
        return;
    }
    const std::string name = WavLocalTime(info.tmPeriod, "%Y%m%d_%H%M%S");
    Log("Raw file '%s' of an unfinished recording (%lld bytes, %u Hz): converting it as %s...",
        rec.settings.szTmpFile, size, info.nRate, name.c_str());
    bool wav = false;
    Finish(rec, name, info.nRate, &wav);
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

bool WavParsePeriodInfo(const char* pText, size_t uLength, WavPeriodInfo* pInfo)
{
    WavPeriodInfo info;
    bool rate = false, period = false;
    ForEachLine(pText, uLength, [&](std::string_view text, unsigned) {
        const std::string line(text);
        long long value = 0;
        const size_t eq = line.find('=');
        // At most 18 digits: no overflow, and no period is longer.
        if (eq == std::string::npos || eq + 1 >= line.size() || line.size() - eq - 1 > 18)
            return;
        const char* p = line.c_str() + eq + 1;
        const bool negative = *p == '-';
        if (negative)
            p++;
        if (*p < '0' || *p > '9')
            return;
        for (; *p >= '0' && *p <= '9'; p++)
            value = value * 10 + (*p - '0');
        if (*p != '\0')
            return;
        if (negative)
            value = -value;
        const std::string key = line.substr(0, eq);
        if (key == "rate" && (value == SCOPE_ASCII_RATE || value == SCOPE_BINARY_RATE)) {
            info.nRate = static_cast<unsigned>(value);
            rate = true;
        } else if (key == "period") {
            info.tmPeriod = value;
            period = true;
        }
    });
    if (!rate || !period)
        return false;
    *pInfo = info;
    return true;
}

void WavInit(WavRecorder& rec)
{
    // The raw file of an unfinished recording still belongs to its own period.
    rec.bFailed = false;
    rec.sFailure.clear();
    rec.bSideWritten = false;
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
    // Samples left at tmp.bin (they could not be moved away) are not overwritten.
    if (RawFileSize(rec.settings.szTmpFile) > 0) {
        Report(rec, std::string("the samples of an earlier recording are still in '") + rec.settings.szTmpFile + "'",
               rec.settings.szTmpFile);
        return;
    }
    FileStatus st;
    int err = 0;
    const bool found = FileStatusOf(rec.settings.szWavDir, true, &st, &err);
    if (!found || st.nType != FILE_KIND_FOLDER) {
        const std::string reason = std::strerror(found ? ENOTDIR : err);
        Report(rec, std::string("the wav folder '") + rec.settings.szWavDir + "' cannot be used (" + reason + ")", {});
        return;
    }
    if (!WriteSide(rec))
        return;

    const char* kind = nullptr;
    FILE* f = FileOpenRegular(rec.settings.szTmpFile, "wb", &kind);
    if (f == nullptr) {
        Report(rec, std::string("could not create '") + rec.settings.szTmpFile + "' (" + Reason(kind) + ")", {});
        std::remove(SidePath(rec).c_str());
        return;
    }
    // The padding goes out in chunks: a long period would need hundreds of
    // megabytes in one piece.
    std::vector<unsigned char> chunk(static_cast<size_t>(std::min<unsigned long long>(padding, PADDING_CHUNK)));
    for (size_t i = 0; i + 1 < chunk.size(); i += 2)
        PutU16(chunk.data() + i, static_cast<uint16_t>(WAV_PADDING_VALUE));
    bool ok = true;
    for (unsigned long long left = padding; ok && left > 0;) {
        const size_t n = static_cast<size_t>(std::min<unsigned long long>(left, chunk.size()));
        ok = std::fwrite(chunk.data(), 1, n, f) == n;
        left -= n;
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        const std::string reason = std::strerror(errno);
        Log("ERROR :Could not write padding to '%s' !", rec.settings.szTmpFile);
        // Padding only: nothing of the signal to keep.
        std::remove(rec.settings.szTmpFile);
        std::remove(SidePath(rec).c_str());
        Report(rec, std::string("could not write '") + rec.settings.szTmpFile + "' (" + reason + ")", {});
    }
}

void WavAddBloc(WavRecorder& rec, const int16_t* pBloc)
{
    if (rec.bFailed.load())
        return;
    // A new period's raw file starts with its side file.
    if (!rec.bSideWritten && !WriteSide(rec))
        return;
    const char* kind = nullptr;
    FILE* f = FileOpenRegular(rec.settings.szTmpFile, "ab", &kind);
    if (f == nullptr) {
        const std::string what = std::string("could not open '") + rec.settings.szTmpFile + "' (" + Reason(kind) + ")";
        bool wav = false;
        const std::string kept = kind == nullptr ? Finish(rec, WavLocalTime(rec.tmFile, "%Y%m%d_%H%M%S"),
                                                          rec.nPeriodRate, &wav)
                                                 : std::string();
        Report(rec, what, kept);
        return;
    }
    unsigned char bytes[SCOPE_BLOC_SIZE * 2];
    const unsigned samples = std::min(rec.nWavSampleRate, SCOPE_BLOC_SIZE);
    for (unsigned k = 0; k < samples; k++)
        PutU16(bytes + 2 * k, static_cast<uint16_t>(pBloc[k]));
    const size_t size = static_cast<size_t>(samples) * 2;
    bool ok = std::fwrite(bytes, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        const std::string reason = std::strerror(errno);
        Log("ERROR :Could not append %zu bytes to '%s' !", size, rec.settings.szTmpFile);
        bool wav = false;
        const std::string kept = Finish(rec, WavLocalTime(rec.tmFile, "%Y%m%d_%H%M%S"), rec.nPeriodRate, &wav);
        Report(rec, std::string("could not write '") + rec.settings.szTmpFile + "' (" + reason + ")", kept);
        return;
    }
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
    const std::string name = WavLocalTime(rec.tmFile, "%Y%m%d_%H%M%S");
    bool wav = false;
    const std::string path = Finish(rec, name, rate, &wav);
    if (!wav && !path.empty()) {
        Report(rec, std::string("could not write the wav file '") + name + ".wav' (" + std::strerror(errno) + ")",
               path);
    }
    rec.nWavSmp = 0;
    rec.tmFile += rec.settings.nWavDuration;
}

int WavFromRaw(const char* rawfile, const char* outfile, unsigned nSampleRate)
{
    const unsigned long long began = TickCountMs();
    Log("Building wav file %s from ...", outfile);
    const std::string build = std::string(rawfile) + ".wav";
    Log("Create intermediate wav file to '%s'...", build.c_str());

    FILE* raw = FileOpenRegular(rawfile, "rb");
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

    // The conversion is built beside the raw file and takes its name only
    // when whole. The raw file keeps every sample: a failed copy is removed
    // rather than left to take the space a full disk lacks and pass for a
    // recording, a whole one that found its name taken stays.
    FileBeside side(FileBeside::UNFINISHED_KEEP);
    FILE* out = side.Open(build);
    if (out == nullptr) {
        std::fclose(raw);
        Log("ERROR :Could not open build file '%s' !", build.c_str());
        return 0;
    }
    Log("Allocate %d bytes for wav conversion buffer...", WAV_COPY_CHUNK);
    auto* buffer = static_cast<unsigned char*>(std::malloc(WAV_COPY_CHUNK));
    if (buffer == nullptr) {
        std::fclose(raw);
        side.Discard();
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
    if (!ok) {
        side.Discard();
        Log("ERROR :Could not copy chunk from '%s' to '%s' !", rawfile, build.c_str());
        return 0;
    }
    Log("Moving '%s' to '%s'...", build.c_str(), outfile);
    switch (side.Commit(outfile, false)) {
    case FileBeside::FILE_BESIDE_DONE:
        break;
    case FileBeside::FILE_BESIDE_NOT_WRITTEN:
        std::remove(build.c_str());
        Log("ERROR :Could not copy chunk from '%s' to '%s' !", rawfile, build.c_str());
        return 0;
    case FileBeside::FILE_BESIDE_NOT_RENAMED:
        Log("ERROR :Could not move '%s' to '%s' (%s) !", build.c_str(), outfile, std::strerror(errno));
        return 0;
    }
    Log("Remove '%s' ...", rawfile);
    std::remove(rawfile);
    Log("Wav file '%s' ready !", outfile);
    Log("Conversion duration : %d ms", static_cast<int>(TickCountMs() - began));
    return 1;
}
