#include "log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "fileio.h"

std::atomic<int> bLogEnabled{0};

namespace {

void DefaultShowMessage(MessageKind nKind, const char* szText)
{
    static const char* const tPrefix[] = {"ERROR : ", "WARNING : ", "INFO : "};
    std::fprintf(stderr, "%s%s\n", tPrefix[nKind], szText);
}

std::atomic<MessageFn> pfnShowMessage{DefaultShowMessage};

// A log that cannot be written is said once, through the reporter, and
// again only for another file or after a line has been written since.
std::mutex mLogFailure;
std::string sLogFailureSaid;          // the file last said, guarded by mLogFailure
std::atomic<bool> bLogFailureSaid{false};

void SayLogFailure(int nError)
{
    {
        std::lock_guard<std::mutex> lock(mLogFailure);
        if (bLogFailureSaid && sLogFailureSaid == szLogFile)
            return;
        sLogFailureSaid = szLogFile;
        bLogFailureSaid = true;
    }
    // The reporter logs its own line, which fails too and finds this said.
    Warning("Could not write to log file '%s' (%s) !", szLogFile, std::strerror(nError));
}

void ClearLogFailure()
{
    if (!bLogFailureSaid.load())
        return;
    std::lock_guard<std::mutex> lock(mLogFailure);
    bLogFailureSaid = false;
}

// One open-write-close of the log file, appending the text and a line end
// in one write. The log is a plain file or a character device (/dev/null,
// a terminal): a symbolic link is not followed, and a FIFO, a folder or a
// block device is refused without waiting on it.
void AppendLogLine(const char* szText, size_t uLength)
{
    std::string line(szText, uLength);
    line += '\n';
    int error = 0;
    // "-" is standard error as it is (varn --log -), whatever it leads to.
    if (std::strcmp(szLogFile, LOG_FILE_STANDARD_ERROR) == 0) {
        if (std::fwrite(line.data(), 1, line.size(), stderr) != line.size() || std::fflush(stderr) != 0)
            error = EIO;
    } else {
        error = FileAppendBytes(szLogFile, line.data(), line.size());
    }
    if (error != 0)
        SayLogFailure(error);
    else
        ClearLogFailure();
}

int Report(MessageKind nKind, const char* szFormat, va_list args)
{
    static const char* const tLogFormat[] = {"ERROR : %s", "WARNING : %s", "INFO : %s"};
    std::vector<char> text(CurrentProfile().uMessageSize);
    std::vsnprintf(text.data(), text.size(), szFormat, args);
    Log(tLogFormat[nKind], text.data());
    pfnShowMessage.load()(nKind, text.data());
    return 0;
}

}  // namespace

int Log(const char* szFormat, ...)
{
    if (bLogEnabled.load() == 0)
        return 1;
    va_list args;
    va_start(args, szFormat);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, szFormat, copy);
    va_end(copy);
    if (n >= 0) {
        std::string line(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(line.data(), line.size(), szFormat, args);
        AppendLogLine(line.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return 1;
}

void LogFormatBytes(char* szOut, size_t uOutSize, const void* pBuffer, unsigned uSize)
{
    if (uOutSize == 0)
        return;
    const auto* p = static_cast<const unsigned char*>(pBuffer);
    size_t pos = 0;
    char tail[32];
    int tailLen = std::snprintf(tail, sizeof tail, " (%u bytes)", uSize);
    // Keep room for the count so a cut dump still says how long the block was.
    size_t limit = uOutSize > static_cast<size_t>(tailLen) + 1 ? uOutSize - tailLen - 1 : 0;
    for (unsigned i = 0; i < uSize; i++) {
        char item[8];
        int len;
        if (p[i] >= 0x20 && p[i] <= 0x7E) {
            item[0] = static_cast<char>(p[i]);
            item[1] = '\0';
            len = 1;
        } else {
            len = std::snprintf(item, sizeof item, "<0x%02X>", p[i]);
        }
        if (pos + len > limit)
            break;
        std::memcpy(szOut + pos, item, len);
        pos += len;
    }
    std::snprintf(szOut + pos, uOutSize - pos, "%s", tail);
}

std::string LogPrintable(const void* pBuffer, size_t uSize, size_t uMaxChars)
{
    const auto* p = static_cast<const unsigned char*>(pBuffer);
    std::string out;
    for (size_t i = 0; i < uSize; i++) {
        if (out.size() >= uMaxChars) {
            out += "...";
            break;
        }
        if (p[i] >= 0x20 && p[i] <= 0x7E) {
            out += static_cast<char>(p[i]);
        } else {
            char item[8];
            std::snprintf(item, sizeof item, "<0x%02X>", p[i]);
            out += item;
        }
    }
    return out;
}

void LogBuffer(const char* szLabel, const void* pBuffer, unsigned uSize)
{
    if (bLogEnabled.load() == 0)
        return;
    size_t labelLen = std::strlen(szLabel);
    // Worst case six characters a byte, plus label and count.
    size_t size = labelLen + static_cast<size_t>(uSize) * 6 + 32;
    std::string line(size, '\0');
    std::memcpy(line.data(), szLabel, labelLen);
    LogFormatBytes(line.data() + labelLen, size - labelLen, pBuffer, uSize);
    AppendLogLine(line.data(), std::strlen(line.data()));
}

int Error(const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    Report(MESSAGE_ERROR, szFormat, args);
    va_end(args);
    return 0;
}

int Warning(const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    Report(MESSAGE_WARNING, szFormat, args);
    va_end(args);
    return 0;
}

int Info(const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    Report(MESSAGE_INFO, szFormat, args);
    va_end(args);
    return 0;
}

void SetMessageHandler(MessageFn pfn)
{
    pfnShowMessage.store(pfn != nullptr ? pfn : DefaultShowMessage);
}

MessageFn GetMessageHandler()
{
    return pfnShowMessage.load();
}
