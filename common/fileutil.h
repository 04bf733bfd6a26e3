// File, directory and path utilities. Paths use the platform's separator
// (APP_SEPARATOR, "/" on Linux); none of these keep state between calls.
// Only PathCreate reports to the user; the others return 0 and leave the
// reporting to their caller. Symbolic links are followed throughout.
//
// fileutil.cpp is portable (std::filesystem and standard streams); what
// differs between platforms is declared at the end and lives in
// fileutil_posix.cpp (a Windows build adds fileutil_win.cpp).
#pragma once

#include <cstddef>
#include <cstdio>

// 1 when the path's attributes can be read and it is not a directory: a file
// the suite can open (a program, a document, a marker).
int FileExists(const char* szPath);
// 1 when the path's attributes can be read and it is a directory.
int DirExists(const char* szPath);
// 1 when anything at all is at the path (a file, a directory, a device, a
// FIFO): the question before something would be overwritten. A dangling
// symbolic link counts as nothing.
int PathExists(const char* szPath);

// Reads the file's first line into szBuffer (uSize bytes, at most uSize - 1
// characters kept), with its line end when it has one; an empty file gives
// the empty text. 0 when the file cannot be opened.
int FileRead(const char* szPath, char* szBuffer, size_t uSize);

// Creates or truncates the file and writes the text unchanged (no line end
// added). 0 when the file cannot be created or not all was written.
int FileWrite(const char* szPath, const char* szText);

// The file's size in bytes (low 32 bits), 0 when it cannot be read.
unsigned FileSize(const char* szPath);

// 1 for a program file: PathExt is exactly "exe" (the suite's Windows
// names, also a file named "exe"), or, on Linux where programs have no
// extension, an existing regular file with an execute permission bit.
int FileIsExecutable(const char* szPath);

// Creates one directory (its parent must exist); non-zero on success.
int DirCreate(const char* szPath);

// Turns every foreign separator into the platform's one. Returns 1.
int PathAdjustSeparator(char* szPath);

// Makes sure every directory of the path exists, creating them from left to
// right. With bFile non-zero the part after the last separator names a file
// and is not created. Reports "Could not create '%s' directory !" with the
// prefix that failed and returns 0; 1 when all exist. On Linux a leading "/"
// stands for the root, which always exists.
int PathCreate(int bFile, const char* szPath);

// The text after the last separator (the whole path without one), copied
// into szDest (uSize bytes, cut to fit). Returns 1.
int PathBasename(const char* szPath, char* szDest, size_t uSize);

// The text after the last "." (the whole path without one; the search does
// not stop at separators), copied into szDest. Returns 1.
int PathExt(const char* szPath, char* szDest, size_t uSize);

// Platform part.

// 1 when the platform marks the file itself as a program, whatever its
// name: on POSIX an existing regular file with an execute permission bit.
// On Windows nothing does (only the "exe" extension makes a program).
int FileHasProgramMode(const char* szPath);

// What stands at szPath when it is there but is no regular file ("folder",
// "pipe", "device", "socket", "symbolic link", "special file"), or nullptr
// (absent, a regular file, or not to be looked at: *pnErrno then holds the
// reason, else 0). With bFollowLink a link is judged by what it names (a
// dangling one counts as absent); without, a link is a kind of its own.
// Used before a file is opened, so that a pipe or a device is refused at
// once instead of blocking the open or being read without end.
const char* PathSpecialKind(const char* szPath, int* pnErrno, bool bFollowLink);

// Opens szPath for reading in binary mode only when it is a regular file
// (a link to one included), without ever blocking on a pipe or a device.
// nullptr when it is none (*pszKind names what it is, as PathSpecialKind)
// or cannot be opened (*pszKind null, errno holds the reason).
FILE* FileOpenRegular(const char* szPath, const char** pszKind);
