// Where simulated and other virtual serial ports are published for this user.
#pragma once

#include <string>

// The per-user folder in which a simulator links its ports:
// "$XDG_RUNTIME_DIR/varn-ports" when that variable is set and not empty,
// otherwise "/tmp/varn-ports-<uid>". The folder is not created here.
std::string SerialVirtualPortDir();
