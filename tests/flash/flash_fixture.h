// Shared pieces of the flash tests: firmware image files with or without a
// version stamp (runs show their steps to tests' RecordingFrontEnd).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "bootloader.h"
#include "recording_frontend.h"

// A pseudo-random image of uSize bytes; a version text such as "2.37" puts
// the stamp ("ELI", the version 8 bytes before "Copyright") at uStampAt.
std::vector<uint8_t> MakeImage(size_t uSize, const std::string& sVersion = "", size_t uStampAt = 64);

bool WriteFile(const std::string& sPath, const std::vector<uint8_t>& vBytes);
