// The sensor's serial bootloader: catching it at power-up, reading its
// information, and uploading a firmware image.
//
// All of this runs on the flash program's one worker thread (or on the
// command line tool's main thread). It takes plain values and talks back to
// its front end only through FlashFrontEnd; it never touches a widget.
//
// Results follow the suite's rule: int 1 for success, 0 for failure. The
// step that fails reports the reason itself through Error (log.h); callers
// only stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "event.h"
#include "task.h"

// --- Frames -----------------------------------------------------------------

// Command codes: the first byte of every frame sent to the bootloader.
enum BldrCommand : uint8_t {
    BLDR_MAGIC = 0xA1,           // 1 byte; answer 1 byte, '!' when the bootloader listens
    BLDR_GET_VERSION = 0xC1,     // 1 byte; answer status, length (16-bit LE), then the text
    BLDR_GET_UNIQUE_ID = 0xC2,   // 1 byte; answer status, three 32-bit LE words
    BLDR_GET_FLASH_SIZE = 0xC3,  // 1 byte; answer status, flash size in bytes (32-bit LE)
    BLDR_GET_FREE_FLASH = 0xC4,  // 1 byte; answer status, free flash in bytes (32-bit LE)
    BLDR_BEGIN_UPLOAD = 0xC5,    // code, image size (32-bit LE); answer status
    BLDR_DATA_BLOCK = 0xC7,      // code, n (16-bit LE), n bytes, CRC-16 (low first); answer status
    BLDR_END_OF_DATA = 0xC8,     // 1 byte; answer status
    BLDR_EXIT = 0xC9,            // 1 byte; answer status
};

constexpr uint8_t BLDR_OK = 0x21;                    // '!': success status / MAGIC answer
constexpr unsigned BLDR_BLOCK_SIZE = 256;            // image bytes per DATA_BLOCK, at most
constexpr unsigned BLDR_BLOCK_OVERHEAD = 5;          // code, length (2), CRC (2)
constexpr unsigned BLDR_RECEIVE_SIZE = 1024;         // receive buffer of the start loop, bytes
constexpr unsigned BLDR_VERSION_SIZE = 1024;         // version text buffer incl. terminator
constexpr unsigned BLDR_UNIQUE_ID_SIZE = 25;         // 24 hex digits and the terminator
constexpr unsigned BLDR_START_TIMEOUT_MS = 100;      // serial time-out while catching the bootloader
constexpr unsigned BLDR_START_WINDOW_MS = 10000;     // how long the power-up is waited for
constexpr unsigned BLDR_CANCEL_WAIT_MS = 100;        // cancel wait at the end of each start pass
// Telling the bootloader's '!' from a '!' in power-up noise: after a '!' the
// line must fall silent for longer than a start pass (so the late answers to
// earlier MAGICs have all come), then one more MAGIC on the purged line must
// be answered by a lone '!'.
constexpr unsigned BLDR_SETTLE_QUIET_MS = 300;       // silence that ends the answers to earlier MAGICs
constexpr unsigned BLDR_SETTLE_LIMIT_MS = 2000;      // a line that does not fall silent by then is noise
constexpr unsigned BLDR_CONFIRM_WAIT_MS = 1000;      // how late the confirming '!' may come
constexpr unsigned BLDR_CONFIRM_QUIET_MS = 100;      // silence after the confirming '!'
constexpr unsigned BLDR_FRAME_TIMEOUT_MS = 5000;     // serial time-out once the bootloader answered

// Firmware newer than this (major, minor) does not run on the devices of
// Device14Table.
constexpr uint32_t BLDR_COMPAT_MAJOR = 2;
constexpr uint32_t BLDR_COMPAT_MINOR = 36;

// Text of a bootloader status code; only the low 8 bits are looked at.
// "???" for codes without a meaning.
const char* BldrErrToStr(unsigned nStatus);

// CRC-16/MODBUS: reflected polynomial 0xA001, no final XOR. Pass 0xFFFF as
// the start value for a fresh CRC, or a previous result to continue it.
uint16_t Crc16Ex(uint16_t uCrc, const void* pData, size_t uSize);

// Formats the three identifier words (as received: W1 first) as the 24
// upper-case digits the suite shows: W3, W2, W1.
void BldrFormatUniqueId(char szOut[BLDR_UNIQUE_ID_SIZE], uint32_t uW1, uint32_t uW2, uint32_t uW3);

// Devices that take no firmware newer than 2.36, by unique identifier.
constexpr unsigned Device14TableSize = 14;
extern const char* const Device14Table[Device14TableSize];

// 1 when the identifier is (exactly, case-sensitive) one of Device14Table.
int BldrIsDevice14(const char* szUniqueId);

// --- Firmware image files -----------------------------------------------------

// First occurrence of the pattern in the buffer, or nullptr; an empty
// pattern finds nothing. Named apart from the C library's memmem, which is
// not everywhere and does not treat the empty pattern this way.
const void* FlashMemmem(const void* pBuffer, size_t uSize, const void* pPattern, size_t uPatternSize);

// Why a file cannot be uploaded as a firmware image.
enum FlashImageFault {
    FLASH_IMAGE_OK = 0,
    FLASH_IMAGE_OPEN_FAILED,   // missing or unreadable
    FLASH_IMAGE_NOT_REGULAR,   // a folder, a pipe, a device or a socket
    FLASH_IMAGE_EMPTY,         // nothing to upload
    FLASH_IMAGE_TOO_LARGE,     // 4 GiB or more: BEGIN_UPLOAD carries the size in 32 bits
};

struct FlashImageInfo {
    FlashImageFault nFault = FLASH_IMAGE_OK;
    int nErrno = 0;                  // FLASH_IMAGE_OPEN_FAILED: the system's reason
    const char* szKind = "";         // FLASH_IMAGE_NOT_REGULAR: "folder", "pipe", "device", ...
    unsigned long long uSize = 0;    // the file's size once it opened
};

// Largest image BEGIN_UPLOAD can announce, bytes.
constexpr unsigned long long FLASH_IMAGE_MAX_SIZE = 0xFFFFFFFFull;

// Opens an image for reading without ever blocking (a FIFO without a
// writer, a device that waits for a line), then checks what it opened: a
// regular file, not empty, at most FLASH_IMAGE_MAX_SIZE bytes. Returns the
// file, open for binary reading at its start with blocking reads, and its
// size in pInfo; or nullptr with the fault in pInfo. Reports nothing and
// reads none of the content.
FILE* FlashOpenImage(const char* szPath, FlashImageInfo* pInfo);

// Reports the fault of pInfo for szPath through Error; returns 0.
int FlashReportImageFault(const FlashImageInfo& info, const char* szPath);

// The check made before the user is asked to power the sensor up, by the
// window and by varn: 1 (and the size in *pSize, which may be null) when
// szPath can be uploaded, else 0 after reporting why ("Could not open file
// '%s' !", "Nothing to upload !", ...). Opens and closes the file, reads
// nothing, returns at once; any thread. The run checks the image again once
// the bootloader answered, and the size against the free flash.
int FlashCheckImage(const char* szPath, uint32_t* pSize);

// Version stamp of a firmware image: "ELI" 16 bytes before the first
// "Copyright", the version text "major.minor" 8 bytes before it. Returns 1
// and the two numbers when the stamp is found, else 0 with both set to 0
// (also for a file that cannot be read, or that FlashOpenImage refuses).
// Reads in blocks: memory stays bounded whatever the file's size.
int GetFwVersion(const char* szPath, uint32_t* pMajor, uint32_t* pMinor);

// The same on an open image, read from its start in blocks; the file is
// left at its start again.
int GetFwVersionFromFile(FILE* pFile, uint32_t* pMajor, uint32_t* pMinor);

// Bytes from the start of the stamp ("ELI") that the file reader hands to
// GetFwVersionFromImage: the version's '.' and its minor number must lie
// within them (in a real image they follow within a few bytes).
constexpr size_t FLASH_STAMP_WINDOW = 64 * 1024;

// The same on an image already in memory.
int GetFwVersionFromImage(const uint8_t* pImage, size_t uSize, uint32_t* pMajor, uint32_t* pMinor);

// --- One run --------------------------------------------------------------------

// Progress steps of a run, for front ends that key on the step (varn).
enum FlashStep : int {
    FLASH_STEP_START = TASK_STEP_PROGRAM,   // waiting for the bootloader at power-up
    FLASH_STEP_BEGIN_UPLOAD,                // BEGIN_UPLOAD: from here the sensor's image is being replaced
    FLASH_STEP_UPLOAD,                      // the blocks of an upload
};

// The program's cancel event: auto-reset, never closed. Set by the window on
// "Cancel" and on closing; the start loop waits on it. A signal given while
// nobody waits stays set and ends the next start loop at its first pass.
extern AutoResetEvent hCancelEvent;

struct FlashRun {
    std::string sPort;          // serial port; empty: none selected
    std::string sFile;          // firmware image (flash runs only)
    int bInfoOnly = 0;          // 1: show the bootloader information and stop
    // Where the run shows its progress and asks. State goes to
    // TASK_BUSY_LOCKED once the bootloader answered (Cancel no longer
    // stops the run); the compatibility question is asked with the error
    // icon; an information run's result is an Information text.
    TaskFrontEnd* pFrontEnd = nullptr;
    AutoResetEvent* pCancel = &hCancelEvent;
    unsigned uStartWindowMs = BLDR_START_WINDOW_MS;   // power-up wait
    // 1: pCancel also stops an upload, after the block in flight, and the
    // run says that the sensor must be flashed again (varn's Ctrl-C, the
    // window's close once the user agreed). 0: once the bootloader answered
    // the run cannot be cancelled.
    int bCancelUpload = 0;

    // How the run ended, for ProcessThread's closing message; set by the
    // run on its own thread, read by its caller only after the run ended.
    mutable int bCancelled = 0;        // cancelled before anything was written
    mutable int bInBootloader = 0;     // the bootloader answered and was not told EXIT
};

// The closing messages' word on a sensor left in its bootloader.
extern const char szStaysInBootloader[];

// The idle hint of the status line, also shown at the end of every run that
// opened the port.
extern const char szFlashIdleHint[];

// Status text buffer of MainDlgPrg, bytes including the terminator.
constexpr unsigned FLASH_STATUS_SIZE = 512;

// One run from port selection to the idle front end (TaskRunOnPort): opens
// the port, runs ProcessThreadInfo, gives the run's verdict, shows the idle
// hint, closes the port. Returns 1 when the run succeeded. The window runs
// it on its worker, the command line directly.
// A run cancelled before anything was written ends with one information
// (no error); a run that failed ends with its run-level error and leaves
// the bar where it stopped, the error in the status line. Whenever the
// sensor stays in its bootloader, the closing message says so.
int ProcessThread(const FlashRun& run);

// Catches the bootloader, reads its information and, for a flash run,
// uploads the image. The port is open. 1 on success; 0 after reporting (or
// after the user declined the compatibility question).
int ProcessThreadInfo(const FlashRun& run);

// The start loop under the start time-out: drains a busy line, then sends
// MAGIC about five times a second until the bootloader has answered, the
// start window has passed, the run is cancelled (run.bCancelled, nothing
// reported) or the line hangs up. A '!'
// counts only once the line fell silent after it and a further MAGIC on the
// purged line was answered by a lone '!'; the line is purged again before
// returning 1, so the first command's answer is the first byte read.
// 0 after reporting.
int BldrStart(const FlashRun& run);

// Everything after the bootloader answered, under the frame time-out: the
// information frames, then the information or the image checks, the
// compatibility question and the upload. 1 on success; 0 after reporting.
int ProcessThreadBootloader(const FlashRun& run);

// Sends the image from the open file (positioned at its start), closes the
// transfer and leaves the bootloader. 1 on success; 0 after reporting.
int ProcessThreadUpload(const FlashRun& run, FILE* pFile);

// Formats the status text (at most FLASH_STATUS_SIZE - 1 bytes), logs it
// and hands it with the position and the step to the front end.
void MainDlgPrg(TaskFrontEnd* pFrontEnd, int nStep, int nPosition, const char* szFormat, ...)
    __attribute__((format(printf, 4, 5)));
