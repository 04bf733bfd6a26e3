// What the programs ask of the file system beyond fileutil.h: the kind of
// thing at a path, opening a file for reading only when it is a regular one,
// appending a log line, temporary files, flushing to disk and renaming
// without replacing, and a file written beside its target (FileBeside).
// None of these report to the user.
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

// Portable part.

// A file written beside its target and renamed onto it only once it is
// complete and on the disk, so that a failure (a full disk, a removed
// medium, a lost device, a stopped run) never leaves a half-written file
// under the target's name, and what stood there stays until the new file
// is whole. A side file that does not take the name is kept for the user
// (UNFINISHED_KEEP: what arrived is not lost) or removed
// (UNFINISHED_REMOVE). Files are written as bytes.
//
// One object per file, on one thread. Reports nothing: errno tells the
// caller why, and the caller says which file could not be written.
class FileBeside {
public:
    enum Unfinished { UNFINISHED_KEEP, UNFINISHED_REMOVE };
    enum Result {
        FILE_BESIDE_DONE = 0,
        FILE_BESIDE_NOT_WRITTEN,   // a write, the flush to disk or the close failed
        FILE_BESIDE_NOT_RENAMED,   // the side file is whole but did not take the name
    };

    explicit FileBeside(Unfinished nUnfinished) : nUnfinished(nUnfinished) {}
    ~FileBeside();   // Abandon()
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;

    // Opens the side file sSide for writing, emptied: a regular file only
    // (FileOpenRegular: a pipe or a device there is refused at once).
    // nullptr with errno set when it cannot be opened.
    FILE* Open(const std::string& sSide);
    // Creates a new side file from the template (FileCreateTemporary: its
    // "XXXXXX" end replaced by a unique suffix, locked while open).
    FILE* OpenTemporary(const std::string& sTemplate);

    FILE* Stream() const { return pFile; }
    const std::string& SidePath() const { return sSide; }

    // Writes what is buffered, puts it on the disk, closes the side file and
    // renames it onto sTarget, replacing what stands there (bReplace) or
    // failing with EEXIST. Anything but FILE_BESIDE_DONE leaves errno set
    // and the side file kept or removed as chosen.
    Result Commit(const std::string& sTarget, bool bReplace = true);
    // Closes the side file without renaming it, kept (and put on the disk)
    // or removed as chosen. false when what was written could not all be
    // kept.
    bool Abandon();
    // Closes the side file and removes it, whatever was chosen.
    void Discard();

private:
    // Flushes (to the disk when bSync) and closes the stream; true when all
    // of it succeeded, else errno set.
    bool Close(bool bSync);
    // Removes the side file when it is not to be kept; errno stays.
    void Unfinish();

    Unfinished nUnfinished;
    FILE* pFile = nullptr;
    std::string sSide;
};
