// What every harness sets up once: a scratch folder, the program's profile,
// no log, reporters that show nothing.
#pragma once

#include <string>

#include "profile.h"

// The scratch folder: created on first use, removed with its files at exit.
const std::string& FuzzScratchDir();

// Switches to the program's profile with logging off and silent reporters.
void FuzzUseProgram(Program nWhich);
