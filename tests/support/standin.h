// Helpers of the desktop and terminal tests.
#pragma once

#include <string>

#include "test_support.h"

// Copies the stand-in program into szDir under szName (executable).
bool InstallStandin(const std::string& sDir, const std::string& sName);

// Waits up to uMs for the stand-in's record in sDir and returns it (empty
// when it did not run).
std::string WaitStandinRecord(const std::string& sDir, unsigned uMs = 3000);

// Writes bytes to a file; false when it cannot be written.
bool FileWriteOk(const std::string& sPath, const std::string& sBytes);
