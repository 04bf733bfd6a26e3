#include "scope_display.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void CopyLabel(char (&szDest)[SCOPE_LABEL_SIZE], const char* szFrom)
{
    std::snprintf(szDest, sizeof szDest, "%s", szFrom);
}

template <typename T>
void Push(int32_t* pBuffer, unsigned uShift, const T* pValues, unsigned uCount)
{
    uShift = std::min(uShift, SCOPE_DISPLAY_SIZE);
    uCount = std::min(uCount, uShift);
    std::memmove(pBuffer, pBuffer + uShift, (SCOPE_DISPLAY_SIZE - uShift) * sizeof *pBuffer);
    int32_t* out = pBuffer + (SCOPE_DISPLAY_SIZE - uShift);
    for (unsigned k = 0; k < uCount; k++)
        out[k] = static_cast<int32_t>(pValues[k]);
}

}  // namespace

void ScopeDisplay::Snapshot(ScopeSnapshot* pSnapshot) const
{
    std::lock_guard<std::mutex> lock(mState);
    std::memcpy(pSnapshot->vDataBuffer, state.vDataBuffer, sizeof state.vDataBuffer);
    CopyLabel(pSnapshot->szFrsLabel, state.szFrsLabel);
    CopyLabel(pSnapshot->szWindLabel, state.szWindLabel);
    pSnapshot->bWaiting = state.bWaiting;
    pSnapshot->uSampleRate = state.uSampleRate;
    pSnapshot->bNoSignal = state.bNoSignal;
}

void ScopeDisplay::SetNoSignal(int bNoSignal)
{
    std::lock_guard<std::mutex> lock(mState);
    state.bNoSignal = bNoSignal;
}

void ScopeDisplay::SetSampleRate(unsigned uRate)
{
    std::lock_guard<std::mutex> lock(mState);
    state.uSampleRate = uRate;
}

void ScopeDisplay::SetWaiting(int bWaiting)
{
    std::lock_guard<std::mutex> lock(mState);
    state.bWaiting = bWaiting;
    state.bNoSignal = 0;
}

void ScopeDisplay::SetLabels(const char* szFrsLabel, const char* szWindLabel)
{
    std::lock_guard<std::mutex> lock(mState);
    CopyLabel(state.szFrsLabel, szFrsLabel);
    CopyLabel(state.szWindLabel, szWindLabel);
}

void ScopeDisplay::SetFrsLabel(const char* szLabel)
{
    std::lock_guard<std::mutex> lock(mState);
    CopyLabel(state.szFrsLabel, szLabel);
}

void ScopeDisplay::SetWindLabel(const char* szLabel)
{
    std::lock_guard<std::mutex> lock(mState);
    CopyLabel(state.szWindLabel, szLabel);
}

void ScopeDisplay::PushFrame(unsigned uShift, const int32_t* pValues, unsigned uCount)
{
    std::lock_guard<std::mutex> lock(mState);
    Push(state.vDataBuffer, uShift, pValues, uCount);
    state.bNoSignal = 0;
}

void ScopeDisplay::PushFrame(unsigned uShift, const uint16_t* pSamples, unsigned uCount)
{
    std::lock_guard<std::mutex> lock(mState);
    Push(state.vDataBuffer, uShift, pSamples, uCount);
    state.bNoSignal = 0;
}
