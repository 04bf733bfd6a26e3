// One input of a fuzzer for the configuration file reader, ready for a
// fuzzing entry (LLVMFuzzerTestOneInput calls it with its bytes): the
// bytes read as a file into fresh in-memory pages, with the sensor kind and
// the import options taken from the first byte, and once more by the
// diff's handler. Messages are dropped; the pages attached before are
// attached again at the end. Returns 0, as a fuzzing entry does.
#pragma once

#include <cstddef>
#include <cstdint>

int ConfigFileFuzzOne(const uint8_t* pData, size_t uSize);
