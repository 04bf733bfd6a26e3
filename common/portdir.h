// Per-user runtime folders of the suite: the virtual port folder in which a
// simulator links its ports, and the folder of the single-instance sockets.
// Both are private to the user, since what lies in them is trusted: a port
// link is opened, a socket is asked to raise a window.
//
// The platform part (the folder's place and its owner and permission
// checks) is in portdir_posix.cpp; a Windows build adds portdir_win.cpp.
#pragma once

#include <string>

// The per-user folder of one kind of runtime file: "$XDG_RUNTIME_DIR/<name>"
// when that variable names an existing directory, otherwise
// "/tmp/<name>-<uid>". Nothing is created or checked here.
std::string RuntimeDir(const char* szName);

// What RuntimeDirPrepare does with a folder of this user that others may
// enter or write.
enum RuntimeDirOpen {
    RUNTIME_DIR_TIGHTEN = 0,   // make it private again (mode 0700)
    RUNTIME_DIR_REFUSE         // refuse it: what lies in it may be someone else's
};

// Makes sure sDir is a private folder of this user: creates it with mode
// 0700 when missing (its parent must exist); refuses anything that is not a
// directory (a symbolic link included) and a directory owned by another
// user; a folder with wider permissions is tightened or refused by nOpen.
// true when the folder is ready; false with the reason in *pError, a
// sentence that names the folder (for example "Folder '/tmp/x' belongs to
// another user (uid 1001)"), nothing changed.
bool RuntimeDirPrepare(const std::string& sDir, RuntimeDirOpen nOpen, std::string* pError);

// The folder in which a simulator links its ports: RuntimeDir("varn-ports").
std::string SerialVirtualPortDir();

// Whether the links in the port folder sDir may be opened: the folder is a
// directory (not a link) of this user with mode 0700 (no access for group
// or others), so nobody else can have planted a link in it. Nothing is
// created or changed. false with the reason in *pError (a sentence naming
// the folder); a missing folder is not trusted, with an empty reason.
bool PortDirTrusted(const std::string& sDir, std::string* pError);

// Whether the link sPath of a trusted port folder leads to a character
// device (a serial port or a pseudo-terminal), not to a file or a folder.
bool PortLinkIsDevice(const std::string& sPath);

// The folder of the single-instance sockets: RuntimeDir("varn-instance").
std::string InstanceSocketDir();
