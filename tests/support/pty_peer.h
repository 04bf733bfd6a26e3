// A scripted peer on a real pseudo-terminal: the code under test opens the
// slave path with SerialOpen; the test plays the device on the master side.
#pragma once

#include <string>

class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& SlavePath() const { return sSlave; }
    bool Ok() const { return nMaster >= 0; }

    void Send(const std::string& sBytes);
    // Everything the host sent within uMs (stops early once sUntil was seen).
    std::string Receive(unsigned uMs, const std::string& sUntil = "");
    // Waits for one line ending in CR from the host and answers sReply.
    std::string AnswerNextCommand(const std::string& sReply, unsigned uMs = 2000);
    void HangUp();

private:
    int nMaster = -1;
    int nSlaveKeep = -1;
    std::string sSlave;
};
