// The WAV recorder: the two-channel signal as 16-bit PCM files of a fixed
// period whose boundaries sit on whole multiples of the period on the wall
// clock.
//
// Samples go first to the raw file "tmp.bin" in the WAV folder (headerless
// signed 16-bit little-endian samples, channel 0 and 1 alternating: exactly
// the WAV data chunk); when a period is full, or the recording ends, the raw
// data becomes "<YYYYMMDD_HHMMSS>.wav" named by the period's start in local
// time. Every message goes to the log only.
//
// Nothing is overwritten or lost: a name already taken gets "_2", "_3", ...;
// raw samples that could not be converted are kept as "<name>.bin"; a raw
// file left by an interrupted recording is converted before a new
// recording starts, at the rate and under the period named by its side file
// "tmp.bin.period" (written before the raw file's first sample), or kept as
// "tmp_not_converted.bin" when there is none.
//
// A file that cannot be written (disk full, no folder, no permission, a
// pipe or device in the way) stops the recording at once: what was written
// so far is finished or kept under a name, and the failure is reported once
// with Error; bSaveWav is switched off.
//
// Threads: the receive thread alone runs WavInit and WavAddBloc (and the
// WavWrite of a full period); the window thread runs the WavWrite of a
// disconnect only after the receive thread has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scope_settings.h"

// The 44-byte header in front of the raw data (little-endian on disk).
struct wavheader_t {
    char riff[4];             // "RIFF"
    uint32_t size_of_file;    // raw data size + 36
    char wave[4];             // "WAVE"
    char fmt[4];              // "fmt "
    uint32_t size_of_chunk;   // 16
    uint16_t format;          // 1: PCM
    uint16_t channel;         // 2
    uint32_t sample_rate;     // 1000 or 2000
    uint32_t sample_bps;      // sample_rate * channel * 2
    uint16_t alignment;       // channel * 2
    uint16_t sample_size;     // 16
    char data[4];             // "data"
    uint32_t data_size;       // raw data size
};
constexpr unsigned WAV_HEADER_SIZE = 44;
constexpr unsigned WAV_COPY_CHUNK = 4096;   // conversion buffer, bytes
constexpr int16_t WAV_PADDING_VALUE = -32767;   // 0x8001, the value of a zero reading

// The header for uDataSize bytes of raw data, and its 44 bytes on disk.
wavheader_t WavHeader(unsigned nSampleRate, uint32_t uDataSize);
void WavHeaderBytes(const wavheader_t& header, unsigned char* pOut);

// Wall clock of the recorder, seconds since 1970-01-01 UTC.
using WavClockFn = std::function<long long()>;

struct WavRecorder {
    explicit WavRecorder(ScopeSettings& settings);

    ScopeSettings& settings;
    WavClockFn fnNow;               // time() unless a test injects a clock

    unsigned nWavSampleRate = 0;    // 1000 or 2000, set by WavSetMode
    unsigned nWavSmpPerFile = 0;    // nWavDuration * nWavSampleRate
    unsigned nWavSmp = 0;           // sample frames of the current period, padding included
    long long tmStart = 0;          // recording start
    long long tmFile = 0;           // start of the current period

    // A period was started by WavInit and not finished by a disconnect;
    // its raw file (if any) belongs to tmFile at nPeriodRate.
    bool bPeriodOpen = false;
    unsigned nPeriodRate = 0;

    bool bSideWritten = false;      // the side file describes the current raw file

    std::atomic<unsigned> uFilesWritten{0};   // WAV files finished, for progress
    std::vector<std::string> vFilesWritten;   // their paths; read only while no receive thread runs

    // A write failed and the recording stopped (until the next WavInit);
    // sFailure is the message reported, read only while no receive thread runs.
    std::atomic<bool> bFailed{false};
    std::string sFailure;
};

// What the side file of a raw file says: the rate it was recorded at and
// the start of its period (seconds since 1970-01-01 UTC).
struct WavPeriodInfo {
    unsigned nRate = 0;
    long long tmPeriod = 0;
};

// Parses a side file's text ("rate=2000\nperiod=1709290800\n", any bytes);
// false unless it names a rate of 1000 or 2000 and a period start.
bool WavParsePeriodInfo(const char* pText, size_t uLength, WavPeriodInfo* pInfo);

// Sets the stream's rate and the period's sample frames (nWavDuration x rate).
void WavSetMode(WavRecorder& rec, unsigned nSampleRate);

// Starts a recording at the current time: the period it falls into, the
// side file, the padding for the part of the period before now (the value
// 0x8001, written in chunks), logged. A raw file left over is converted
// first. Clears a failure of an earlier recording.
void WavInit(WavRecorder& rec);

// Appends one frame's block (nWavSampleRate samples: 0.5 s of both
// channels) to the raw file with its own open and close; finishes the
// period with WavWrite once it holds nWavSmpPerFile sample frames. A block
// that cannot be written stops the recording (see above); after a failure
// blocks are ignored.
void WavAddBloc(WavRecorder& rec, const int16_t* pBloc);

// Finishes the current period: the WAV file named by tmFile, then the next
// period starts at tmFile + nWavDuration without padding.
void WavWrite(WavRecorder& rec);

// Builds outfile (never replacing an existing file) from the raw file:
// header, then the raw data copied through one 4096-byte buffer, via the
// intermediate "<rawfile>.wav". The raw file is removed only once outfile
// exists. 1 when outfile was written.
int WavFromRaw(const char* rawfile, const char* outfile, unsigned nSampleRate);

// "<szDir>/<szName>.<szExt>", or with "_2", "_3", ... when that file exists.
std::string WavFreePath(const char* szDir, const char* szName, const char* szExt);

// Local time in the given strftime form.
std::string WavLocalTime(long long tmValue, const char* szFormat);
