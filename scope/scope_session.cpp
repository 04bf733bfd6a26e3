#include "scope_session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "log.h"
#include "profile.h"
#include "scope_reader.h"
#include "sensor.h"
#include "serial.h"

namespace {

// The type names the scope accepts; all are treated alike.
const char* const tSensorTypes[] = {"KORVALIN", "MESTRALO", "DUVIKORN", "ORBIK", "PALVETRA", "GRESTOLV"};

constexpr char FRS_BASE_LABEL[] = "Filtered acoustic signal ";   // the blank is part of it
constexpr char WIND_BASE_LABEL[] = "Raw acoustic signal";
constexpr float BINARY_FIRMWARE = 2.82f;   // first firmware that sends binary blocks

// Value buffer of the start-up commands: a single-read answer can fill it.
constexpr size_t VALUE_SIZE = SCOPE_LINE_SIZE + 1;

unsigned PortTimeout(const ScopeSession& s)
{
    return s.uPortTimeoutMs != 0 ? s.uPortTimeoutMs : CurrentProfile().uOpenTimeout;
}

template <typename T>
ScopeFrameInfo FrameInfo(unsigned uFrame, const T* pValues, unsigned uCount)
{
    ScopeFrameInfo info;
    info.uFrame = uFrame;
    info.uPairs = uCount / 2;
    for (int ch = 0; ch < 2; ch++) {
        if (static_cast<unsigned>(ch) >= uCount)
            break;
        int lo = static_cast<int>(pValues[ch]), hi = lo;
        for (unsigned k = static_cast<unsigned>(ch); k < uCount; k += 2) {
            lo = std::min(lo, static_cast<int>(pValues[k]));
            hi = std::max(hi, static_cast<int>(pValues[k]));
        }
        info.nMin[ch] = lo;
        info.nMax[ch] = hi;
    }
    return info;
}

}  // namespace

bool ScopeAcceptsSensorType(const char* szType)
{
    for (const char* name : tSensorTypes) {
        if (std::strcmp(szType, name) == 0)
            return true;
    }
    return false;
}

ScopeSession::ScopeSession(ScopeSettings& s) : settings(s), recorder(s)
{
    receiver.vLine.resize(SCOPE_LINE_SIZE + 1);
}

ScopeSession::~ScopeSession()
{
    // The port closes only once its reader has ended, so no read can reach
    // a descriptor that was closed and reused.
    bStop = true;
    while (!loop.Stop(SCOPE_STOP_WAIT_MS))
        Log("Waiting for the receive thread...");
    if (bConnected.exchange(0) != 0)
        SerialClose();
}

namespace {

// false after the recorder has stopped on a write failure.
bool RecordingOn(ScopeSession& s, ScopeFrontEnd& fe)
{
    if (!s.recorder.bFailed.load())
        return true;
    fe.RecordingFailed();
    return false;
}

// The thread ends by itself: remember why and tell the front end.
int EndThread(std::atomic<int>& nResult, ScopeFrontEnd& fe, int result)
{
    nResult = result;
    fe.Ended(result);
    return -1;
}

}  // namespace

int ScopeConnect(ScopeSession& s, const std::string& sPort, ScopeFrontEnd& fe)
{
    Log("%s", szAppTitle);
    if (s.bConnected.load() != 0 || s.loop.Running())
        return 0;
    if (sPort.empty() || sPort == SERIAL_SELECT_ENTRY)
        return Error("No serial port selected !");
    if (sPort.size() >= APP_PATH_SIZE)
        return Error("Could not open serial port '%.*s' !", APP_PATH_SIZE - 1, sPort.c_str());
    if (!SerialOpen(sPort.c_str()))
        return 0;
    if (s.uPortTimeoutMs != 0)
        SerialSetTimeout(s.uPortTimeoutMs);

    ScopeSession::Receiver& r = s.receiver;
    r.bStarted = false;
    r.bBinary = false;
    r.bWavStarted = false;
    s.bStop = false;
    s.bStreaming = false;
    s.nResult = SCOPE_RECEIVE_RUNNING;
    s.uFrames = 0;
    s.uRecords = 0;
    s.uBytes = 0;
    s.pFrontEnd = &fe;
    if (!s.loop.Start([&s] { return ReceiveFn(s); }, nullptr)) {
        // The worker has reported "Could not create receive thread !".
        SerialClose();
        return 0;
    }
    s.bConnected = 1;
    fe.Status(1);
    return 1;
}

int ScopeDisconnect(ScopeSession& s, ScopeFrontEnd& fe)
{
    if (s.bConnected.load() == 0)
        return 1;
    s.bStop = true;
    if (!s.loop.Stop(SCOPE_STOP_WAIT_MS)) {
        Log("Receive thread still running after %u ms, serial port kept open !", SCOPE_STOP_WAIT_MS);
        return 0;
    }
    if (s.nResult.load() == SCOPE_RECEIVE_RUNNING)
        s.nResult = SCOPE_RECEIVE_STOPPED;
    // The thread has ended: the recorder is this thread's now.
    if (s.settings.bSaveWav.load() != 0 && s.receiver.bWavStarted && s.recorder.bPeriodOpen) {
        WavWrite(s.recorder);
        s.recorder.bPeriodOpen = false;
        RecordingOn(s, fe);
    }
    Log("Thread is stopped !");
    SerialClose();
    s.bConnected = 0;
    fe.Status(0);
    return 1;
}

namespace {

bool StopAsked(const std::atomic<bool>& bStop)
{
    return bStop.load(std::memory_order_acquire);
}

// Start-up steps of the receive thread; false when one failed (reported)
// or the thread was asked to stop.
bool StartUp(ScopeSession& s, ScopeFrontEnd& fe, const std::atomic<bool>& bStop, std::atomic<bool>& bStreaming)
{
    ScopeSession::Receiver& r = s.receiver;
    s.display.SetWaiting(1);
    fe.Redraw(1);
    if (!SensorWakeup() || StopAsked(bStop))
        return false;
    std::vector<char> value(VALUE_SIZE);
    if (!SensorCmdGet("Sensor type", "sens-type", value.data(), value.size()) || StopAsked(bStop))
        return false;
    if (!ScopeAcceptsSensorType(value.data())) {
        Error("Unsupported sensor '%s' !", value.data());
        return false;
    }
    std::snprintf(r.szFrsBaseLabel, sizeof r.szFrsBaseLabel, "%s", FRS_BASE_LABEL);
    std::snprintf(r.szWindBaseLabel, sizeof r.szWindBaseLabel, "%s", WIND_BASE_LABEL);
    s.display.SetLabels(r.szFrsBaseLabel, r.szWindBaseLabel);
    if (!SensorCmdGet("Firmware version", "fw-version", value.data(), value.size()) || StopAsked(bStop))
        return false;
    r.fVersion = ScopeParseVersion(value.data());
    if (!SensorCmdScopeMode())
        return false;
    s.display.SetWaiting(0);
    bStreaming = true;
    r.bBinary = !(r.fVersion < BINARY_FIRMWARE);
    if (r.bBinary) {
        WavSetMode(s.recorder, SCOPE_BINARY_RATE);
        s.display.SetSampleRate(SCOPE_BINARY_RATE);
        Log("Process for %.2f > 2.81 : BINARY at %d Hz", r.fVersion, SCOPE_BINARY_RATE);
    } else {
        WavSetMode(s.recorder, SCOPE_ASCII_RATE);
        s.display.SetSampleRate(SCOPE_ASCII_RATE);
        Log("Process for %.2f < 2.82 : ASCII at %d Hz", r.fVersion, SCOPE_ASCII_RATE);
    }
    return true;
}

// Recording for this frame, decided once so that a toggle in between cannot
// append a block to a recording that was never started.
// A recording that failed starts anew when the switch is turned on again.
bool RecordingFrame(ScopeSession& s, ScopeFrontEnd& fe)
{
    if (s.settings.bSaveWav.load() == 0)
        return false;
    if (!s.receiver.bWavStarted || s.recorder.bFailed.load()) {
        WavInit(s.recorder);
        s.receiver.bWavStarted = true;
    }
    return RecordingOn(s, fe);
}

void TakeRecord(ScopeSession& s, ScopeFrontEnd& fe, const char* pLine, size_t uLength)
{
    ScopeSession::Receiver& r = s.receiver;
    ScopeRecord record;
    const RecordKind kind = ScopeParseRecord(pLine, uLength, r.bBinary, &record);
    if (kind == RECORD_NONE)
        return;
    if (kind == RECORD_WIND) {
        s.display.SetWindLabel(r.szWindBaseLabel);
    } else {
        char label[SCOPE_LABEL_SIZE];
        ScopeFormatMeasureLabel(label, sizeof label, r.szFrsBaseLabel, record);
        s.display.SetFrsLabel(label);
    }
    s.uRecords++;
    size_t len = uLength;
    while (len > 0 && (pLine[len - 1] == '\r' || pLine[len - 1] == '\n'))
        len--;
    const std::string text(pLine, len);
    fe.Record(text.c_str());
}

// One ASCII line (its LF already replaced by the terminator).
int AsciiLine(ScopeSession& s, ScopeFrontEnd& fe, std::atomic<int>& nResult, const char* pLine, size_t uLength)
{
    ScopeSession::Receiver& r = s.receiver;
    if (!ScopeIsAsciiFrame(pLine, uLength)) {
        TakeRecord(s, fe, pLine, uLength);
        return 1;
    }
    const bool recording = RecordingFrame(s, fe);
    AsciiFrame frame;
    const AsciiFrameResult result = ScopeParseAsciiFrame(pLine, uLength, &frame);
    if (result == ASCII_FRAME_BAD) {
        Error("Bad frame !\n%s", pLine);
        Log("End of thread !");
        return EndThread(nResult, fe, SCOPE_RECEIVE_STREAM);
    }
    // The values taken stay in the buffer even when the frame is incomplete.
    s.display.PushFrame(SCOPE_ASCII_VALUES, frame.vValues, frame.uTaken);
    if (result == ASCII_FRAME_INCOMPLETE) {
        Error("Incomplet buffer received (Receive: %d, Wait: %d)!", frame.nStopIndex, SCOPE_ASCII_VALUES);
        Log("End of thread !");
        return EndThread(nResult, fe, SCOPE_RECEIVE_STREAM);
    }
    for (unsigned k = 0; k < SCOPE_ASCII_VALUES; k++)
        r.vBlocBuffer[k] = ScopeWavValue(frame.vValues[k]);
    const unsigned n = ++s.uFrames;
    fe.Redraw(0);
    if (recording) {
        WavAddBloc(s.recorder, r.vBlocBuffer);
        RecordingOn(s, fe);
    }
    fe.Frame(FrameInfo(n, frame.vValues, SCOPE_ASCII_VALUES));
    return 1;
}

// One binary-mode unit (terminated behind its bytes).
int BinaryUnit(ScopeSession& s, ScopeFrontEnd& fe, const unsigned char* pUnit, size_t uLength)
{
    ScopeSession::Receiver& r = s.receiver;
    Log("%s", reinterpret_cast<const char*>(pUnit));
    if (!ScopeIsBlock(pUnit, uLength)) {
        TakeRecord(s, fe, reinterpret_cast<const char*>(pUnit), uLength);
        return 1;
    }
    uint16_t samples[SCOPE_BLOCK_SAMPLES];
    if (!ScopeBlockSamples(pUnit, uLength, samples)) {
        Log("Block of %zu bytes without its %u samples dropped !", uLength, SCOPE_BLOCK_SAMPLES);
        return 1;
    }
    const bool recording = RecordingFrame(s, fe);
    s.display.PushFrame(SCOPE_BLOCK_SAMPLES, samples, SCOPE_BLOCK_SAMPLES);
    for (unsigned k = 0; k < SCOPE_BLOCK_SAMPLES; k++)
        r.vBlocBuffer[k] = ScopeWavValue(samples[k]);
    const unsigned n = ++s.uFrames;
    fe.Redraw(0);
    if (recording) {
        WavAddBloc(s.recorder, r.vBlocBuffer);
        RecordingOn(s, fe);
    }
    fe.Frame(FrameInfo(n, samples, SCOPE_BLOCK_SAMPLES));
    return 1;
}

}  // namespace

int ReceiveFn(ScopeSession& s)
{
    ScopeFrontEnd& fe = *s.pFrontEnd;
    ScopeSession::Receiver& r = s.receiver;
    if (!r.bStarted) {
        r.bStarted = true;
        if (!StartUp(s, fe, s.bStop, s.bStreaming))
            return StopAsked(s.bStop) ? -1 : EndThread(s.nResult, fe, SCOPE_RECEIVE_STARTUP);
        return 1;
    }
    scope::FrameEnd end = scope::FRAME_DONE;
    unsigned char* line = r.vLine.data();
    const unsigned n = scope::SerialReadFrame(line, SCOPE_LINE_SIZE, &s.bStop, &end, PortTimeout(s));
    s.uBytes += n;
    switch (end) {
    case scope::FRAME_DONE:
        break;
    case scope::FRAME_STOPPED:
        return -1;
    case scope::FRAME_HUNGUP:
        Error("Serial port connection lost !");
        Log("End of thread !");
        return EndThread(s.nResult, fe, SCOPE_RECEIVE_STREAM);
    case scope::FRAME_FAILED:
        Error("Could not read from serial port !");
        Log("End of thread !");
        return EndThread(s.nResult, fe, SCOPE_RECEIVE_STREAM);
    }
    if (n == 0) {
        Log("No data read !");
        return 1;
    }
    if (!r.bBinary) {
        line[n - 1] = '\0';
        return AsciiLine(s, fe, s.nResult, reinterpret_cast<const char*>(line), n - 1);
    }
    line[n] = '\0';
    return BinaryUnit(s, fe, line, n);
}
