// Shared helpers of the core tests: a recorder for reporter texts and a
// temporary application folder.
#pragma once

#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

#include "log.h"

// Replaces the message handler for the lifetime of the object and keeps
// every text shown, in order.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<std::string> Texts() const;
    std::string Last() const;
    size_t Count() const;

private:
    static void Record(MessageKind nKind, const char* szText);
    MessageFn pfnPrevious;
};

// A fresh folder under the system temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return sPath; }
    std::string File(const std::string& sName) const { return sPath + "/" + sName; }

private:
    std::string sPath;
};

std::string ReadFileText(const std::string& sPath);
bool FileExistsOnDisk(const std::string& sPath);

// Starts a program with standard input from /dev/null and standard output
// and error written into the files sOut and sErr.
pid_t SpawnProgram(const char* szPath, const std::vector<std::string>& vArgs, const std::string& sOut,
                   const std::string& sErr);
// Waits for a started program: its exit status, or 128 + the signal that
// ended it.
int WaitProgram(pid_t pid);
