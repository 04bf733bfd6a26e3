// The pseudo-terminal the simulator answers on, and its link in the
// per-user virtual port folder.
#pragma once

#include <string>

namespace varnsim {

struct Pty {
    int master = -1;        // non-blocking; the simulator's end of the line
    int slave = -1;         // kept open so the master never sees a hang-up
    std::string slavePath;  // what the host opens
};

// Opens a pseudo-terminal whose slave side is raw at 115200 8N1 from the
// start, so that nothing is echoed by the line discipline before the host
// configures the port. The slave is not locked: the host takes it
// exclusively. false with a reason, nothing left open, on failure.
bool OpenRawPty(Pty* pty, std::string* error);
void ClosePty(Pty* pty);

// A link name is one plain file name: no '/', not "." or "..", printable.
bool ValidLinkName(const std::string& name);

// Links SerialVirtualPortDir()/name to target, creating the folder (0700)
// when missing and replacing an older link of that name atomically. Refuses
// a folder that is not a directory owned by this user, and a name taken by
// something that is not a link.
bool PublishLink(const std::string& name, const std::string& target, std::string* linkPath, std::string* error);

// Removes the link when it still points to target (a newer simulator may
// have taken the name over since).
void WithdrawLink(const std::string& linkPath, const std::string& target);

} // namespace varnsim
