// Where the programs keep the files they write for themselves: the logs,
// the update marker, the scope's settings (and any program's settings
// later). They belong in the application folder, beside the programs; a
// system-wide installation (/opt/varn) cannot be written by its users, and
// then each user's own folders take them. One function decides, for every
// program and file alike.
//
// Platform part (whether a folder can be written, the user's folders):
// statedir_<platform>.cpp.
#pragma once

#include <string>

enum AppFileKind {
    APP_FILE_STATE = 0,   // logs, the update marker: $XDG_STATE_HOME/varn (~/.local/state/varn)
    APP_FILE_CONFIG,      // settings files: $XDG_CONFIG_HOME/varn (~/.config/varn)
};

// The folder for files of nKind of the application folder szAppDir:
// szAppDir itself when this user can write it, else the user's folder of
// that kind, created (mode 0700) when missing. When neither is possible
// (no home) it is szAppDir, where writes fail as they did before.
std::string AppFileDirFor(const std::string& sAppDir, AppFileKind nKind);

// AppFileDirFor(szAppDir, nKind).
std::string AppFileDir(AppFileKind nKind);

// Platform part. true when this user may create files in sDir now.
bool AppDirWritable(const std::string& sDir);
// The user's base folder of nKind ($XDG_STATE_HOME, else ~/.local/state;
// $XDG_CONFIG_HOME, else ~/.config); empty without a home. Only absolute
// XDG values count, as the XDG rules say.
std::string AppUserBaseDir(AppFileKind nKind);
// Creates sDir and its missing parents (new ones mode 0700); true when it
// is a folder afterwards.
bool AppMakeUserDir(const std::string& sDir);
