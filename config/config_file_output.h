// A file that appears under its name only once it is complete: it is
// written beside the name under a temporary one and renamed over the name
// at the end, so that a write error (a full disk, a removed medium) or a
// stopped run never leaves a half-written file under the name, and an
// older file there is kept until the new one is whole.
//
// One object per file, on one thread. Reports nothing: the caller says
// which file could not be opened or written.
#pragma once

#include <cstdio>
#include <string>

#include "fileio.h"

class ConfigFileOutput {
public:
    ConfigFileOutput() = default;
    ~ConfigFileOutput() = default;   // the temporary file is removed
    ConfigFileOutput(const ConfigFileOutput&) = delete;
    ConfigFileOutput& operator=(const ConfigFileOutput&) = delete;

    // Creates the temporary file in the folder of sPath (a symbolic link is
    // followed, so the file it names is replaced, not the link). 0 when it
    // cannot be made, or when something under the name cannot be written
    // (a folder, a read-only file) or is no regular file (a pipe, a device),
    // as opening the name itself would fail or block.
    int Open(const std::string& sPath);
    // Appends the bytes; a failure is kept for Commit.
    void Write(const std::string& sText);
    // Puts the temporary file on the disk, closes it and renames it over the name
    // (with the permissions of the file it replaces). 1 when all of it
    // succeeded; 0 otherwise, the temporary file removed.
    int Commit();
    // Removes the temporary file; the name keeps what it had.
    void Discard();

    const std::string& TempPath() const { return out.SidePath(); }

private:
    FileBeside out{FileBeside::UNFINISHED_REMOVE};
    std::string sTarget;
    bool bFailed = false;
};
