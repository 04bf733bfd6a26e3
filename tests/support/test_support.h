// Shared helpers of the core tests: a recorder for reporter texts, a
// temporary application folder, programs started as processes, and waits
// for a state another thread or process sets.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

#include "elapsed.h"
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

// Waits until pred() holds, checking it every millisecond, for at most
// uTimeoutMs; true when it held. The way a test waits for what another
// thread or process does: never a sleep of a guessed length.
bool WaitUntil(const std::function<bool()>& pred, unsigned uTimeoutMs = 10000);

// The calling thread's kernel id, for ThreadWaitsInPoll.
pid_t CurrentThreadId();
// True while the thread nTid of this process is blocked in poll: a serial
// read (which polls with its deadline) has taken the port and waits for
// bytes.
bool ThreadWaitsInPoll(pid_t nTid);
// True while the thread nTid of this process is blocked on a lock or a
// condition (a futex wait): a caller of the window-thread gate waits there.
bool ThreadWaitsOnLock(pid_t nTid);
