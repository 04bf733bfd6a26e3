// Fuzz harnesses as plain functions on bytes: each runs the real core code
// against a device that answers with the input (played on the fake serial
// line, fake_serial.h) or on a file made of it, returns the run's result (1
// when it succeeded) and aborts when a result breaks what the code promises
// (a crash is found without that). Their libFuzzer entries (*_main.cpp) and
// fuzz_seed_test call them; their seeds are corpus/<harness>/, where "ok-*"
// names a run that must succeed (CMakeLists.txt of this folder).
#pragma once

#include <cstddef>
#include <cstdint>

// The bootloader exchanges and the upload once the bootloader answered
// (ProcessThreadBootloader). Byte 0 chooses the run: bit 0 an information
// run, else a flash run of a 700-byte image stamped 2.37, whose
// compatibility question bit 1 answers Yes. The rest is everything the
// bootloader sends, as one stream. Nothing is checked beyond a clean run
// (the block layout is checked against the simulator by the flash tests).
int FuzzBootloaderExchange(const uint8_t* pData, size_t uSize);

// The logger download task (ProcessThreadDownload) after the console has
// answered its commands. Byte 0 is the record count the sensor announces
// (0 to 255); the rest is the stream that follows "logger download".
// Checked: a download that succeeded wrote count + 1 lines, each with a
// ';', none with a CR, the records numbered 1, 2, ... in order.
int FuzzLoggerDownload(const uint8_t* pData, size_t uSize);

// The configuration file read into in-memory pages by the import's handler
// (ConfigFileRead, ConfigPagesImport). Byte 0 chooses the sensor kind (its
// value modulo 5) and the import options: bit 3 the signature check (the
// sensor's signature is 0036003F3137510A33353438), bit 4 factory import,
// bit 5 ignore errors. The rest is the file. Checked: the file read in
// slices does exactly what it does read at once (result and every page
// value), and a file that imports without ignoring errors is also read
// whole by the diff's handler.
int FuzzConfigFile(const uint8_t* pData, size_t uSize);
