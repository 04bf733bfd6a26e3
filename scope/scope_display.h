// What the scope's plots show: the sliding display buffer of both channels,
// the two labels and the waiting flag.
//
// Threads: the receive thread is the only writer; painting takes a copy
// (Snapshot) at any time. Both hold one lock only for the copy or the
// shift-and-fill of one frame (a few microseconds), so the receive thread
// never waits for painting itself, and a painter never sees half a frame.
#pragma once

#include <cstdint>
#include <mutex>

#include "scope_parse.h"

// A copy of the display state for one paint.
struct ScopeSnapshot {
    // Channel 0 at even indices, channel 1 at odd ones; the newest frame at the end.
    int32_t vDataBuffer[SCOPE_DISPLAY_SIZE] = {};
    char szFrsLabel[SCOPE_LABEL_SIZE] = "";    // label of plot 1 (filtered signal)
    char szWindLabel[SCOPE_LABEL_SIZE] = "";   // label of plot 2 (raw signal)
    int bWaiting = 0;                          // 1: "WAITING SIGNAL..." instead of the labels
    unsigned uSampleRate = 0;                  // samples per second per channel; 0 until known
    int bNoSignal = 0;                         // 1: the stream stopped; the plots are greyed
};

class ScopeDisplay {
public:
    // Any thread: copies the state under the lock.
    void Snapshot(ScopeSnapshot* pSnapshot) const;

    // Any thread: no frame came for a while, or the line was lost. Cleared
    // by the next frame and by SetWaiting (a new connection).
    void SetNoSignal(int bNoSignal);

    // --- Receive thread only ---
    void SetWaiting(int bWaiting);
    void SetSampleRate(unsigned uRate);
    void SetLabels(const char* szFrsLabel, const char* szWindLabel);
    void SetFrsLabel(const char* szLabel);
    void SetWindLabel(const char* szLabel);
    // Moves the buffer left by uShift entries (entries uShift..9999 go to
    // 0..9999-uShift), then stores uCount values from index 10000 - uShift
    // on; entries after them keep what they held. uShift and uCount are
    // limited to the buffer. Data flows again: clears the no-signal state.
    void PushFrame(unsigned uShift, const int32_t* pValues, unsigned uCount);
    void PushFrame(unsigned uShift, const uint16_t* pSamples, unsigned uCount);

private:
    mutable std::mutex mState;
    ScopeSnapshot state;
};
