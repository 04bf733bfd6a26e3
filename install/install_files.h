// File operations of the installer: where a path of the script leads, which
// destinations are programs, and moving and copying files so that a
// replaced file is never missing.
//
// None of these report to the user; the installer's passes do, with the
// script's line number.
#pragma once

#include <string>

// Longest path the installer builds, characters (the suite's path buffers).
constexpr size_t INSTALL_PATH_MAX = 511;

enum InstallPathFault {
    INSTALL_PATH_OK = 0,
    INSTALL_PATH_LEAVES,     // absolute, a ".." component, or through a link that points outside
    INSTALL_PATH_TOO_LONG,   // the joined path does not fit the suite's path buffers
    INSTALL_PATH_ZERO_BYTE,  // holds a zero byte: the system would see only the text before it
};

// The path written in the script in the platform's form: the script writes
// subfolders with backslashes, which become "/" here.
std::string InstallScriptPath(const std::string& sWritten);

// Joins szDir and a path written in the script ("%s/%s") into *pJoined and
// says whether it may be used: it must stay inside szDir, lexically (not
// absolute, no ".." component) and on disk (the part of it that exists
// already, links resolved, lies inside szDir resolved), and it must fit
// INSTALL_PATH_MAX characters, and hold no zero byte. *pJoined is set in
// every case.
InstallPathFault InstallCheckPath(const char* szDir, const std::string& sWritten, std::string* pJoined);

// Whether a destination is a program, whose running copies are closed
// before its file is replaced: its text after the last "." is exactly "exe"
// (the suite's names on a platform with extensions; "EXE" is not), or its
// file name has no "." at all and the file to install or the file in place
// is a regular file with an execute permission bit (the suite's programs
// here: "VARN-Config").
int InstallIsProgram(const std::string& sDest, const std::string& sSource);

// A program keeps its execute permission when an update brings its new file
// without one (unpacked from an archive that keeps no modes): when sTo is an
// executable regular file and sFrom has no execute bit, sFrom takes sTo's
// execute bits. Nothing else changes.
void InstallKeepExecBits(const std::string& sFrom, const std::string& sTo);

// Moves sFrom to sTo in one step: a rename, which replaces an existing sTo
// at once, so that sTo is never missing. When the two lie on different file
// systems the file is copied instead (InstallCopyFile) and sFrom removed
// afterwards. 1 on success; 0 with sTo as it was (sFrom kept) otherwise,
// errno set by the step that failed.
int InstallMoveFile(const std::string& sFrom, const std::string& sTo);

// Copies sFrom over sTo in one step: the bytes and permission bits (and the
// modification time) go into a temporary file beside sTo, which is flushed
// to disk and renamed over sTo. Works while sTo is a running program. 1 on
// success; 0 with sTo as it was and no temporary file left otherwise.
int InstallCopyFile(const std::string& sFrom, const std::string& sTo);

// The temporary file InstallCopyFile writes beside sTo.
std::string InstallPartFile(const std::string& sTo);

// Platform part.

// true when something (a file, a folder, a link, even one pointing
// nowhere) has that name.
bool InstallEntryExists(const std::string& sPath);

// The path with every link resolved, absolute; false when it cannot be
// resolved (missing, a link pointing nowhere, no permission).
bool InstallResolve(const std::string& sPath, std::string* pReal);

// Writes the bytes as the file's new content in one step (a temporary file
// beside it, flushed, renamed over it). false with the file as it was.
bool InstallWriteFileAtOnce(const std::string& sPath, const std::string& sBytes);
