// One connection of the scope: the port, the receive thread that wakes the
// sensor, switches it into scope mode and reads its stream into the display
// and the recorder, and the connect and disconnect steps of the window and
// of varn.
//
// Threads: ScopeConnect and ScopeDisconnect run on the caller's thread (the
// window thread, or varn's main thread). The receive thread (a ReceiveLoop
// running ReceiveFn) is the only writer of the display, the labels and the
// recorder while it runs; the caller reads the display through Snapshot at
// any time and touches the recorder only after the thread has ended.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "receive_loop.h"
#include "scope_display.h"
#include "scope_wav.h"

// How the receive thread ended (ScopeSession::nResult).
enum ScopeReceiveResult {
    SCOPE_RECEIVE_RUNNING = -1,   // still running, or never started
    SCOPE_RECEIVE_STREAM = 0,     // ended in the stream: bad or incomplete frame, lost line
    SCOPE_RECEIVE_STARTUP = 1,    // ended during the start-up steps (wake-up, type, version, scope mode)
    SCOPE_RECEIVE_STOPPED = 2,    // stopped by ScopeDisconnect
};

// Longest wait of ScopeDisconnect for the receive thread, ms: the slowest
// step it can be in is the wake-up (three reads of the port's 1000 ms).
constexpr unsigned SCOPE_STOP_WAIT_MS = 4000;

// One sample frame as it was taken, for tools without a window.
struct ScopeFrameInfo {
    unsigned uFrame = 0;   // sample frames of this connection, from 1
    unsigned uPairs = 0;   // samples per channel: 500 (ASCII) or 1000 (binary)
    int nMin[2] = {0, 0};
    int nMax[2] = {0, 0};
};

// What the connection needs from the window (or from varn).
class ScopeFrontEnd {
public:
    virtual ~ScopeFrontEnd() = default;

    // Receive thread: the plots changed; paint them again from a Snapshot.
    // bErase: the whole window with its background (once, at the start of
    // the thread); otherwise after every sample frame. Must return at once:
    // a window posts an update and never paints or waits here.
    virtual void Redraw(int bErase) = 0;

    // Caller's thread: put the controls into the connected (1) or
    // disconnected (0) state (the window's DlgMainStatus).
    virtual void Status(int bConnected) = 0;

    // Receive thread, for tools that print the stream; the default ignores them.
    virtual void Frame(const ScopeFrameInfo& info) { (void)info; }
    virtual void Record(const char* szLine) { (void)szLine; }

    // The recording stopped because a file could not be written (the
    // message has been shown; bSaveWav is off now). Receive thread, or the
    // caller's thread at a disconnect. Must return at once.
    virtual void RecordingFailed() {}

    // Receive thread: the thread ends by itself (nResult: SCOPE_RECEIVE_*),
    // after its message, if any, was shown. Must return at once. The
    // connection stays until ScopeDisconnect.
    virtual void Ended(int nResult) { (void)nResult; }
};

class ScopeSession {
public:
    explicit ScopeSession(ScopeSettings& settings);
    // Stops a thread still running (waiting until it has ended) and closes
    // the port. No WAV file is finished here: the window's close runs
    // ScopeDisconnect first.
    ~ScopeSession();
    ScopeSession(const ScopeSession&) = delete;
    ScopeSession& operator=(const ScopeSession&) = delete;

    ScopeSettings& settings;
    ScopeDisplay display;
    WavRecorder recorder;

    // The port's read time-out for this session, ms; 0 keeps the 1000 ms
    // that SerialOpen sets for the scope.
    unsigned uPortTimeoutMs = 0;

    bool Connected() const { return bConnected.load() != 0; }
    // The sensor accepted "scopemode" in this connection: frames come now.
    bool Streaming() const { return bStreaming.load(); }
    bool Receiving() const { return loop.Running(); }
    int Result() const { return nResult.load(); }

    // Progress figures of the current connection (any thread).
    std::atomic<unsigned> uFrames{0};
    std::atomic<unsigned> uRecords{0};
    std::atomic<unsigned long long> uBytes{0};

    // --- Receive thread state (see ReceiveFn) ---
    struct Receiver {
        bool bStarted = false;     // the start-up steps ran
        bool bBinary = false;      // firmware 2.82 or later
        bool bWavStarted = false;  // WavInit ran in this connection
        float fVersion = 0.0f;
        char szFrsBaseLabel[SCOPE_LABEL_SIZE] = "";
        char szWindBaseLabel[SCOPE_LABEL_SIZE] = "";
        std::vector<unsigned char> vLine;   // SCOPE_LINE_SIZE bytes and a terminator
        int16_t vBlocBuffer[SCOPE_BLOC_SIZE] = {};
    } receiver;

private:
    friend int ScopeConnect(ScopeSession&, const std::string&, ScopeFrontEnd&);
    friend int ScopeDisconnect(ScopeSession&, ScopeFrontEnd&);
    friend int ReceiveFn(ScopeSession&);

    std::atomic<int> bConnected{0};
    std::atomic<bool> bStreaming{false};
    std::atomic<bool> bStop{false};
    std::atomic<int> nResult{SCOPE_RECEIVE_RUNNING};
    ScopeFrontEnd* pFrontEnd = nullptr;
    // Last member: destroyed (its thread stopped and joined) first, while
    // everything the thread uses still exists.
    ReceiveLoop loop{"receive"};
};

// "Connect": logs the title line, refuses an empty or "Select..." port with
// "No serial port selected !", opens the port (the serial link reports its
// failures) and starts the receive thread; then Status(1). When the thread
// cannot be made ("Could not create receive thread !") the port is closed
// again. 1 when connected. The front end must outlive the connection.
int ScopeConnect(ScopeSession& session, const std::string& sPort, ScopeFrontEnd& fe);

// "Disconnect" (and closing the window while connected): stops the receive
// thread between two frames, waiting at most SCOPE_STOP_WAIT_MS with events
// running; finishes the current WAV file when recording is on and a
// recording was started in this connection; logs "Thread is stopped !",
// closes the port, Status(0). The sensor stays in scope mode. 0 (still
// connected, port open) only when the thread did not end in time.
int ScopeDisconnect(ScopeSession& session, ScopeFrontEnd& fe);

// One step of the receive thread, run over and over by the session's
// ReceiveLoop: the start-up steps on the first call (waiting flag, wake-up,
// "sens-type", labels, "fw-version", "scopemode", mode), then one line or
// block per call. Returns 1 to go on, -1 when the thread ends (the result
// is in Result()).
int ReceiveFn(ScopeSession& session);

// The six type names the scope accepts (exact text).
bool ScopeAcceptsSensorType(const char* szType);
