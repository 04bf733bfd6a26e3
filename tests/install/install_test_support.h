// Helpers of the installer tests: a recording front end, an application
// folder and an update folder wired into the installer's state, stand-in
// programs and running programs to be closed.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

#include "install.h"
#include "recording_frontend.h"
#include "standin.h"
#include "test_support.h"

// The texts a front end was shown with a position ("Installing 'x'...
// (33 %)"), and those shown alone, in order.
std::vector<std::string> BarTexts(const RecordingFrontEnd& fe);
std::vector<std::string> PlainTexts(const RecordingFrontEnd& fe);

// A folder on another file system than the system's temporary folder
// (/dev/shm), or an empty path when the machine has none.
class OtherFsDir {
public:
    OtherFsDir();
    ~OtherFsDir();
    const std::string& Path() const { return sPath; }

private:
    std::string sPath;
};

// Creates sPath with its folders and writes the bytes; false on failure.
bool WriteFile(const std::string& sPath, const std::string& sBytes, unsigned uMode = 0644);
unsigned FileMode(const std::string& sPath);

// Copies the stand-in program (records how it was started into
// "standin.log" of its working directory) to sPath, executable.
bool CopyStandin(const std::string& sPath);

// Starts a copy of sleep at sPath (a program of that file name) and waits
// until it runs under that name. The caller ends it (kill, waitpid).
pid_t StartRunningProgram(const std::string& sPath);
// true when the child has ended (collected).
bool ChildEnded(pid_t pid, unsigned uMs);

// The installer's state pointed at a fresh application folder and update
// folder, no waits, reports recorded.
class InstallTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Re-points the update folder (another file system, for instance).
    void UseTmpDir(const std::string& sDir);
    void Script(const std::string& sText);
    std::string ScriptPath() const;
    bool ScriptExists() const;
    // Both passes as ProcessFn runs them; true when the second completed.
    bool RunInstall();

    std::string App(const std::string& sName) const { return app.File(sName); }
    std::string Tmp(const std::string& sName) const { return sTmp + "/" + sName; }

    TempDir app;
    TempDir tmp;
    std::string sTmp;
    RecordingFrontEnd fe;
    MessageRecorder messages;
};
