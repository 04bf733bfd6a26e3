// Shared helpers of the core tests: a recorder for reporter texts and a
// temporary application folder.
#pragma once

#include <mutex>
#include <string>
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
