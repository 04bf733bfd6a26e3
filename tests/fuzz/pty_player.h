// The device side of a fuzz input, played on a real pseudo-terminal: the
// harness opens the slave with SerialOpen, the player answers from the
// input and hangs the line up once the host has read all of it, so that a
// run which wants more fails at once instead of waiting for its time-out.
//
// This stands in for a fake serial seam under the serial functions; once
// that exists, a harness can hand its input to the seam instead.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class PtyPlayer {
public:
    // Called with each block the host wrote; returns the bytes to answer
    // (may be empty) and sets *pbLast when nothing will follow them. A null
    // function answers nothing.
    using Responder = std::function<std::string(const std::string& sFromHost, bool* pbLast)>;

    PtyPlayer();
    ~PtyPlayer();   // Stop()
    PtyPlayer(const PtyPlayer&) = delete;
    PtyPlayer& operator=(const PtyPlayer&) = delete;

    bool Ok() const { return nMaster >= 0 && nSlaveKeep >= 0; }
    const std::string& SlavePath() const { return sSlave; }

    // Starts playing once the host has opened and configured the slave:
    // sInitial goes out at once, then each host block is answered by
    // fnRespond. Once the last bytes (sInitial when bInitialIsLast) have
    // been read by the host, the line hangs up.
    void Start(const std::string& sInitial, bool bInitialIsLast, Responder fnRespond);
    // Ends the player and closes the line.
    void Stop();

    // Everything the host wrote so far.
    std::string FromHost() const;

private:
    void Run(std::string sPending, bool bLast, Responder fnRespond);
    // Reads what the host wrote, if anything, and queues the answer.
    bool TakeFromHost(std::string& sPending, bool& bLast, const Responder& fnRespond);

    int nMaster = -1;
    int nSlaveKeep = -1;
    std::string sSlave;
    std::thread tPlayer;
    mutable std::mutex mMutex;
    std::string sFromHost;
    bool bStop = false;
    int tWake[2] = {-1, -1};
};
