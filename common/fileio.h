// What the programs ask of the file system beyond fileutil.h: the kind of
// thing at a path, opening a file for reading only when it is a regular one,
// appending a log line, temporary files, flushing to disk and renaming
// without replacing. None of these report to the user.
//
// fileio.cpp is portable; the platform part is fileio_posix.cpp and
// fileio_win.cpp. Errors come back as errno values on both (on Windows the
// system's error is translated to the nearest errno value).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

enum FileKind {
    FILE_KIND_REGULAR = 0,
    FILE_KIND_FOLDER,
    FILE_KIND_LINK,      // a symbolic link (Windows: a reparse point), when links are not followed
    FILE_KIND_PIPE,
    FILE_KIND_DEVICE,    // a character or block device
    FILE_KIND_SOCKET,
    FILE_KIND_OTHER,
};

struct FileStatus {
    FileKind nType = FILE_KIND_OTHER;
    unsigned long long uSize = 0;   // bytes; meaningful for regular files
    long long tmModified = 0;       // seconds since 1970 (UTC)
};

// What a file that is not a regular one is, for messages: "folder", "pipe",
// "device", "socket", "symbolic link" or "special file"; nullptr for a
// regular file.
const char* FileKindName(FileKind nType);

// Platform part.

// The status of what is at the path, links followed (bFollowLinks) or not.
// false with *pnErrno (may be null) set when nothing can be read there
// (ENOENT when nothing is there).
bool FileStatusOf(const char* szPath, bool bFollowLinks, FileStatus* pStatus, int* pnErrno);

// The status of an open stream's file. false when it cannot be read.
bool FileStatusOfStream(FILE* pFile, FileStatus* pStatus);

// Opens the file for reading in binary mode, but only a regular file: the
// open itself does not wait (a FIFO or a modem device returns at once) and
// what was opened is looked at before a byte is read. nullptr with
// *pnErrno set when the open failed (*pnErrno 0 and pStatus->nType telling
// what it is when it is no regular file). pStatus holds the file's status.
FILE* FileOpenRegular(const char* szPath, FileStatus* pStatus, int* pnErrno);

// Appends the bytes to the file in one write, creating it when missing. The
// file must be a regular file or a character device (a log may be
// /dev/null or a terminal); a symbolic link is not followed, and a FIFO or
// folder is refused without waiting on it. 0 when all was written, else the
// errno value of the failure (EINVAL for a refused kind).
int FileAppendBytes(const char* szPath, const char* pBytes, size_t uSize);

// Creates a new file from the template (a path ending in "XXXXXX", which is
// replaced by a unique suffix in place) with the permissions an ordinary new
// file gets, opened for writing in binary mode. nullptr when it cannot be
// made. The file stays locked while it is open, so that a later run can
// tell it from one that a killed process left behind (FileRemoveIfStale).
FILE* FileCreateTemporary(std::string* pTemplate);

// Removes szPath when it is a regular file of this user (not a link) that
// no running process holds as FileCreateTemporary made it (the lock goes
// with its process however it ends). true when it was removed.
bool FileRemoveIfStale(const char* szPath);

// The longest file name the folder takes, characters (255 when unknown).
long FileNameMax(const char* szFolder);

// Writes the stream's buffered bytes and has the system put them on the
// disk. true when both succeeded.
bool FileFlushToDisk(FILE* pFile);

// Renames szFrom to szTo unless something is already at szTo, in one step
// where the system allows it. false (errno set) when szTo exists or the
// rename failed.
bool FileRenameNoReplace(const char* szFrom, const char* szTo);

// Renames szFrom to szTo, replacing what is at szTo in one step (as rename
// does on POSIX; Windows' own rename refuses an existing target). false
// with errno set when it failed.
bool FileRenameReplacing(const char* szFrom, const char* szTo);
