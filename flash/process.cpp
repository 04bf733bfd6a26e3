// One run of the flash program: catch the bootloader at power-up, read its
// information, check that the image suits the device, upload it.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "bootloader.h"
#include "log.h"
#include "serial.h"

AutoResetEvent hCancelEvent;

const char szStaysInBootloader[] = "The sensor stays in its bootloader until it is powered off and on again.";

const char szFlashIdleHint[] =
    "Select 'serial port' and 'firmware file', Power down sensor, click 'Flash Fimware' button and then "
    "quickly power up the sensor...";

namespace {

constexpr char szTryingToStart[] = "Trying to start bootloader, please power up sensor now !";
constexpr char szTimeout[] = "Could not receive from serial port (timeout) !";
constexpr char szLost[] = "Could not receive from serial port (connection lost) !";

// A short answer: the read failed (adapter unplugged) or timed out.
int ReportShortAnswer()
{
    return Error("%s", SerialLastReadFailed() ? szLost : szTimeout);
}

uint32_t ReadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void WriteLe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// One exchange: send the frame, read the fixed-length answer, check its
// status byte (the first one). A short answer is a time-out; the status is
// looked at only once the whole answer has come. szFailFormat takes the
// status and its text.
int BldrExchange(const uint8_t* pFrame, unsigned uFrameSize, const char* szFrameName, uint8_t* pAnswer,
                 unsigned uAnswerSize, const char* szFailFormat)
{
    if (!SerialWrite(pFrame, uFrameSize))
        return Error("Could not send %s frame !", szFrameName);
    if (SerialRead(pAnswer, uAnswerSize) != uAnswerSize)
        return ReportShortAnswer();
    if (pAnswer[0] != BLDR_OK) {
        // The format comes from this file's own table of texts.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        return Error(szFailFormat, pAnswer[0], BldrErrToStr(pAnswer[0]));
#pragma GCC diagnostic pop
    }
    return 1;
}

// The same for the one-byte frames.
int BldrCommandExchange(uint8_t uCode, const char* szFrameName, uint8_t* pAnswer, unsigned uAnswerSize,
                        const char* szFailFormat)
{
    return BldrExchange(&uCode, 1, szFrameName, pAnswer, uAnswerSize, szFailFormat);
}

bool Cancelled(const FlashRun& run)
{
    return run.pCancel != nullptr && run.pCancel->TryWait();
}

// How a look at a '!' in the start loop ended.
enum MagicCheck {
    MAGIC_NOISE,      // the '!' was noise: go on sending MAGIC
    MAGIC_ANSWERED,   // the bootloader answered
    MAGIC_STOP,       // cancelled, or the line hung up
};

// Reads and drops what comes until the line has been silent for uQuietMs,
// for at most uLimitMs. MAGIC_ANSWERED when it fell silent.
MagicCheck WaitForSilence(const FlashRun& run, unsigned uQuietMs, unsigned uLimitMs)
{
    const unsigned long long start = TickCountMs();
    unsigned long long quietSince = start;
    for (;;) {
        uint8_t drop[BLDR_RECEIVE_SIZE];
        const unsigned got = SerialRead(drop, sizeof drop);
        const unsigned long long now = TickCountMs();
        if (SerialIsHungUp() || Cancelled(run))
            return MAGIC_STOP;
        if (got > 0)
            quietSince = now;
        else if (now - quietSince >= uQuietMs)
            return MAGIC_ANSWERED;
        if (now - start >= uLimitMs)
            return MAGIC_NOISE;
    }
}

// A '!' came after MAGIC. The bootloader answers MAGIC with one '!' and then
// says nothing; noise goes on. So the line must fall silent for longer than
// a start pass, which also lets the late answers to earlier MAGICs arrive
// and be dropped; then a MAGIC on the purged line must be answered by a '!'
// as the first byte, followed by silence. The line is purged at the end, so
// that nothing the bootloader said before is read as the first command's
// answer.
MagicCheck ConfirmMagic(const FlashRun& run)
{
    MagicCheck check = WaitForSilence(run, BLDR_SETTLE_QUIET_MS, BLDR_SETTLE_LIMIT_MS);
    if (check != MAGIC_ANSWERED)
        return check;
    SerialPurge();
    const uint8_t magic = BLDR_MAGIC;
    if (!SerialWrite(&magic, 1))
        return SerialIsHungUp() ? MAGIC_STOP : MAGIC_NOISE;
    uint8_t answer = 0;
    unsigned got = 0;
    const unsigned long long sent = TickCountMs();
    while (got == 0 && TickCountMs() - sent < BLDR_CONFIRM_WAIT_MS) {
        got = SerialRead(&answer, 1);
        if (SerialIsHungUp() || Cancelled(run))
            return MAGIC_STOP;
    }
    if (got != 1 || answer != BLDR_OK)
        return MAGIC_NOISE;
    check = WaitForSilence(run, BLDR_CONFIRM_QUIET_MS, BLDR_CONFIRM_QUIET_MS + BLDR_START_TIMEOUT_MS);
    if (check == MAGIC_ANSWERED)
        SerialPurge();
    return check;
}

}  // namespace

int BldrStart(const FlashRun& run)
{
    const unsigned long long start = TickCountMs();
    bool draining = true;
    bool started = false;
    bool cancelled = false;
    for (;;) {
        const unsigned long long elapsed = TickCountMs() - start;
        if (elapsed >= run.uStartWindowMs)
            break;
        uint8_t received[BLDR_RECEIVE_SIZE];
        if (draining) {
            if (SerialRead(received, sizeof received) == 0)
                draining = false;
        } else {
            const uint8_t magic = BLDR_MAGIC;
            if (!SerialWrite(&magic, 1))
                return Error("Could not send MAGIC frame !");
            // Everything that came since the last pass is looked at, so a
            // backlog of noise never delays an answer, and a late answer to
            // an earlier MAGIC counts as well.
            const unsigned got = SerialRead(received, sizeof received);
            if (std::memchr(received, BLDR_OK, got) != nullptr) {
                const MagicCheck check = ConfirmMagic(run);
                if (check == MAGIC_ANSWERED) {
                    started = true;
                    break;
                }
                if (check == MAGIC_STOP) {
                    cancelled = !SerialIsHungUp();
                    break;
                }
            }
        }
        // A line that hung up fails every read at once; waiting on would
        // only repeat that until the deadline.
        if (SerialIsHungUp())
            break;
        const unsigned long long percent = (TickCountMs() - start) * 100 / run.uStartWindowMs;
        MainDlgPrg(run.pFrontEnd, FLASH_STEP_START, percent > 100 ? 100 : static_cast<int>(percent), "%s",
                   szTryingToStart);
        if (run.pCancel != nullptr && run.pCancel->Wait(BLDR_CANCEL_WAIT_MS)) {
            cancelled = true;
            break;
        }
    }
    if (started)
        return 1;
    // A cancel is the user's choice, not a fault: ProcessThread says what
    // it left.
    if (cancelled) {
        run.bCancelled = 1;
        return 0;
    }
    return Error("Could not start bootloader !");
}

namespace {

// GET_VERSION: status and length, then the text, bounded by the buffer.
int BldrGetVersion(char szVersion[BLDR_VERSION_SIZE])
{
    uint8_t head[3];
    if (!BldrCommandExchange(BLDR_GET_VERSION, "GET_VERSION", head, sizeof head,
                             "Could not get bootloader version (0x%02X : %s) !"))
        return 0;
    const unsigned length = static_cast<unsigned>(head[1]) | static_cast<unsigned>(head[2]) << 8;
    if (length > BLDR_VERSION_SIZE - 1)
        return Error("Bootloader version text too long (%u bytes, at most %u) !", length, BLDR_VERSION_SIZE - 1);
    if (length > 0 && SerialRead(szVersion, length) != length)
        return SerialLastReadFailed() ? Error("%s", szLost) : Error("Sensor not available (Receive timeout) !");
    szVersion[length] = '\0';
    return 1;
}

int BldrGetUint32(uint8_t uCode, const char* szFrameName, const char* szFailFormat, uint32_t* pValue)
{
    uint8_t answer[5];
    if (!BldrCommandExchange(uCode, szFrameName, answer, sizeof answer, szFailFormat))
        return 0;
    *pValue = ReadLe32(answer + 1);
    return 1;
}

// Asks before putting firmware newer than 2.36 on a device that cannot run
// it. 1 to go on.
int BldrCheckCompatibility(const FlashRun& run, FILE* pImage, const char* szUniqueId)
{
    uint32_t major = 0;
    uint32_t minor = 0;
    if (!GetFwVersionFromFile(pImage, &major, &minor))
        return 1;
    const bool newer = major > BLDR_COMPAT_MAJOR || (major == BLDR_COMPAT_MAJOR && minor > BLDR_COMPAT_MINOR);
    if (!newer || !BldrIsDevice14(szUniqueId))
        return 1;
    char question[FLASH_STATUS_SIZE];
    std::snprintf(question, sizeof question,
                  "Your are trying to flash firmware version %d.%d but this device %s does not support firmware "
                  "greater than 2.36 !\n\nDo you really want to continue (NOT RECOMMANDED) ?",
                  static_cast<int>(major), static_cast<int>(minor), szUniqueId);
    Log("%s", question);
    const int yes = run.pFrontEnd->Question(MESSAGE_ERROR, question);
    Log("%s", yes ? "Answer : Yes" : "Answer : No");
    return yes;
}

}  // namespace

void MainDlgPrg(TaskFrontEnd* pFrontEnd, int nStep, int nPosition, const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    if (pFrontEnd != nullptr) {
        TaskProgressV(*pFrontEnd, nPosition, nStep, szFormat, args);
    } else {
        char text[FLASH_STATUS_SIZE];
        std::vsnprintf(text, sizeof text, szFormat, args);
        Log("%s", text);
    }
    va_end(args);
}

int ProcessThreadUpload(const FlashRun& run, FILE* pFile)
{
    struct stat st{};
    if (fstat(fileno(pFile), &st) != 0 || !S_ISREG(st.st_mode))
        return Error("Could not read from file !");
    if (st.st_size == 0)
        return Error("Nothing to upload !");
    // BEGIN_UPLOAD carries the size in 32 bits; a larger file would be cut.
    if (static_cast<unsigned long long>(st.st_size) > FLASH_IMAGE_MAX_SIZE)
        return Error("Firmware file too large (%llu bytes, at most %llu) !",
                     static_cast<unsigned long long>(st.st_size), FLASH_IMAGE_MAX_SIZE);
    const uint32_t size = static_cast<uint32_t>(st.st_size);
    if (run.bCancelUpload && Cancelled(run)) {
        run.bCancelled = 1;
        return 0;
    }
    MainDlgPrg(run.pFrontEnd, FLASH_STEP_BEGIN_UPLOAD, 9, "Start uploading firmware (%u bytes)...", size);

    uint8_t begin[5] = {BLDR_BEGIN_UPLOAD};
    WriteLe32(begin + 1, size);
    uint8_t status = 0;
    if (!BldrExchange(begin, sizeof begin, "BEGIN_UPLOAD", &status, 1, "Could not start upload (0x%02X : %s) !"))
        return 0;

    uint8_t frame[BLDR_BLOCK_SIZE + BLDR_BLOCK_OVERHEAD];
    uint32_t sent = 0;
    while (sent < size) {
        const uint32_t n = size - sent < BLDR_BLOCK_SIZE ? size - sent : BLDR_BLOCK_SIZE;
        frame[0] = BLDR_DATA_BLOCK;
        frame[1] = static_cast<uint8_t>(n);
        frame[2] = static_cast<uint8_t>(n >> 8);
        if (std::fread(frame + 3, 1, n, pFile) != n)
            return Error("Could not read from file !");
        const uint16_t crc = Crc16Ex(0xFFFF, frame + 3, n);
        frame[3 + n] = static_cast<uint8_t>(crc);
        frame[4 + n] = static_cast<uint8_t>(crc >> 8);
        if (!BldrExchange(frame, n + BLDR_BLOCK_OVERHEAD, "DATA_BLOCK", &status, 1,
                          "Could not write data block (0x%02X : %s) !"))
            return 0;
        sent += n;
        const int percent = static_cast<int>(static_cast<unsigned long long>(sent) * 100 / size);
        MainDlgPrg(run.pFrontEnd, FLASH_STEP_UPLOAD, percent, "Uploading firmware %d %% (%u/%u bytes)...", percent, sent, size);
        // The block in flight is always finished: a frame cut halfway would
        // leave the bootloader waiting for its rest.
        if (run.bCancelUpload && sent < size && Cancelled(run))
            return Error("Upload stopped after %u of %u bytes: the sensor holds an incomplete image and must be "
                         "flashed again !",
                         sent, size);
    }

    MainDlgPrg(run.pFrontEnd, TASK_STEP_NONE, 100, "Check for upload size...");
    if (!BldrCommandExchange(BLDR_END_OF_DATA, "END_OF_DATA", &status, 1,
                             "Uploaded size is not valid (0x%02X : %s) !"))
        return 0;
    MainDlgPrg(run.pFrontEnd, TASK_STEP_NONE, 100, "Exiting bootloader...");
    if (!BldrCommandExchange(BLDR_EXIT, "EXIT", &status, 1, "Could not exit from bootloader (0x%02X : %s) !"))
        return 0;
    run.bInBootloader = 0;
    return 1;
}

int ProcessThreadBootloader(const FlashRun& run)
{
    TaskFrontEnd* ui = run.pFrontEnd;
    MainDlgPrg(ui, TASK_STEP_NONE, 25, "Getting version...");
    char version[BLDR_VERSION_SIZE];
    if (!BldrGetVersion(version))
        return 0;
    MainDlgPrg(ui, TASK_STEP_NONE, 4, "Connected to bootloader '%s' !", version);

    MainDlgPrg(ui, TASK_STEP_NONE, 50, "Getting unique id...");
    uint8_t id[13];
    if (!BldrCommandExchange(BLDR_GET_UNIQUE_ID, "GET_UNIQUE_ID", id, sizeof id,
                             "Could not get unique ID (0x%02X : %s) !"))
        return 0;
    char uniqueId[BLDR_UNIQUE_ID_SIZE];
    BldrFormatUniqueId(uniqueId, ReadLe32(id + 1), ReadLe32(id + 5), ReadLe32(id + 9));
    MainDlgPrg(ui, TASK_STEP_NONE, 6, "Unique ID : %s", uniqueId);

    MainDlgPrg(ui, TASK_STEP_NONE, 75, "Getting flash size...");
    uint32_t flashSize = 0;
    if (!BldrGetUint32(BLDR_GET_FLASH_SIZE, "GET_FLASH_SIZE", "Could not get flash size (0x%02X : %s) !",
                       &flashSize))
        return 0;
    MainDlgPrg(ui, TASK_STEP_NONE, 6, "Flash size : %u bytes", flashSize);

    MainDlgPrg(ui, TASK_STEP_NONE, 100, "Getting free flash space...");
    uint32_t freeFlash = 0;
    if (!BldrGetUint32(BLDR_GET_FREE_FLASH, "GET_FREE_FLASH", "Could not get free flash size (0x%02X : %s) !",
                       &freeFlash))
        return 0;
    MainDlgPrg(ui, TASK_STEP_NONE, 8, "Flash free : %u bytes", freeFlash);

    if (run.bInfoOnly) {
        MainDlgPrg(ui, TASK_STEP_NONE, 100, "Display bootloader information...");
        // The bootloader's own size is the difference; more free flash than
        // flash would show a wrapped-around number.
        if (freeFlash > flashSize)
            return Error("Bootloader reports more free flash (%u bytes) than flash (%u bytes) !", freeFlash,
                         flashSize);
        std::string text(BLDR_VERSION_SIZE + 256, '\0');
        std::snprintf(text.data(), text.size(),
                      "Bootloader : %s\nSignature : %s\nFlash size : %u bytes\nBootloader : %u bytes\nApplication : "
                      "%u bytes\n\n%s\n",
                      version, uniqueId, flashSize, flashSize - freeFlash, freeFlash, szStaysInBootloader);
        ui->Information(text.c_str());
        return 1;
    }

    // The image is opened (and checked again: it may have changed during the
    // wait) before the question, so that an image the sensor cannot take is
    // refused before anything else is asked or sent.
    Log("Opening file '%s'...", run.sFile.c_str());
    FlashImageInfo image;
    FILE* f = FlashOpenImage(run.sFile.c_str(), &image);
    if (f == nullptr)
        return FlashReportImageFault(image, run.sFile.c_str());
    int ok = 0;
    if (image.uSize > freeFlash)
        ok = Error("Firmware file too large for the sensor (%llu bytes, %u bytes of flash free) !", image.uSize,
                   freeFlash);
    else if (BldrCheckCompatibility(run, f, uniqueId))
        ok = ProcessThreadUpload(run, f);
    std::fclose(f);
    return ok;
}

int ProcessThreadInfo(const FlashRun& run)
{
    SerialSetTimeout(BLDR_START_TIMEOUT_MS);
    MainDlgPrg(run.pFrontEnd, FLASH_STEP_START, 0, "%s", szTryingToStart);
    if (!BldrStart(run))
        return 0;
    run.bInBootloader = 1;
    run.pFrontEnd->State(TASK_BUSY_LOCKED, nullptr);
    SerialSetTimeout(BLDR_FRAME_TIMEOUT_MS);
    return ProcessThreadBootloader(run);
}

int ProcessThread(const FlashRun& run)
{
    run.bCancelled = 0;
    run.bInBootloader = 0;
    std::string endStatus;
    return TaskRunOnPort(
        *run.pFrontEnd, run.sPort, szFlashIdleHint,
        [&run, &endStatus] {
            const int ok = ProcessThreadInfo(run);
            const char* stays = run.bInBootloader ? szStaysInBootloader : "";
            const char* gap = run.bInBootloader ? "\n\n" : "";
            if (ok) {
                if (!run.bInfoOnly)
                    Info("Firmware successfully flashed !");
                return ok;
            }
            if (run.bCancelled) {
                endStatus = run.bInfoOnly ? "Bootloader Info cancelled" : "Firmware flash cancelled";
                if (run.bInBootloader)
                    Info("%s before the upload began: nothing was written to the sensor.%s%s", endStatus.c_str(), gap,
                         stays);
                else
                    Info("%s before the bootloader answered: nothing was written to the sensor.", endStatus.c_str());
                return ok;
            }
            endStatus = run.bInfoOnly ? "Could not retrieve bootloader info, please retry !"
                                      : "Error during firmware flash, please retry !";
            Error("%s%s%s", endStatus.c_str(), gap, stays);
            return ok;
        },
        &endStatus);
}
