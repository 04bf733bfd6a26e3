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

// Version stamp of a firmware image: "ELI" 16 bytes before the first
// "Copyright", the version text "major.minor" 8 bytes before it. Returns 1
// and the two numbers when the stamp is found, else 0 with both set to 0
// (also for a file that cannot be read).
int GetFwVersion(const char* szPath, uint32_t* pMajor, uint32_t* pMinor);

// The same on an image already in memory.
int GetFwVersionFromImage(const uint8_t* pImage, size_t uSize, uint32_t* pMajor, uint32_t* pMinor);

// --- One run --------------------------------------------------------------------

// Progress steps of a run, for front ends that key on the step (varn).
enum FlashStep : int {
    FLASH_STEP_START = TASK_STEP_PROGRAM,   // waiting for the bootloader at power-up
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
};

// The idle hint of the status line, also shown at the end of every run that
// opened the port.
extern const char szFlashIdleHint[];

// Status text buffer of MainDlgPrg, bytes including the terminator.
constexpr unsigned FLASH_STATUS_SIZE = 512;

// One run from port selection to the idle front end (TaskRunOnPort): opens
// the port, runs ProcessThreadInfo, gives the run's verdict, shows the idle
// hint, closes the port. Returns 1 when the run succeeded. The window runs
// it on its worker, the command line directly.
int ProcessThread(const FlashRun& run);

// Catches the bootloader, reads its information and, for a flash run,
// uploads the image. The port is open. 1 on success; 0 after reporting (or
// after the user declined the compatibility question).
int ProcessThreadInfo(const FlashRun& run);

// Sends the image from the open file (positioned at its start), closes the
// transfer and leaves the bootloader. 1 on success; 0 after reporting.
int ProcessThreadUpload(const FlashRun& run, FILE* pFile);

// Formats the status text (at most FLASH_STATUS_SIZE - 1 bytes), logs it
// and hands it with the position and the step to the front end.
void MainDlgPrg(TaskFrontEnd* pFrontEnd, int nStep, int nPosition, const char* szFormat, ...)
    __attribute__((format(printf, 4, 5)));
