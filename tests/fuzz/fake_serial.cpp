#include "fake_serial.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

const SerialHandle SERIAL_INVALID_HANDLE = -1;

namespace fakeserial {
namespace {

constexpr SerialHandle HANDLE = 7;
// Writes kept for the harnesses' checks.
constexpr size_t WRITES_KEPT = 256;

struct Line {
    std::vector<std::string> vSegments;
    size_t uNext = 0;        // next segment to arrive
    Responder fnRespond;     // or the device that answers each write
    bool bLast = false;      // the device has sent its last answer
    std::string sPending;    // arrived, not yet read
    size_t uRead = 0;        // read position in sPending
    SerialIo nAtEnd = SERIAL_IO_OK;
    std::vector<std::string> vWrites;
    size_t uDelivered = 0;

    bool MoreToCome() const { return fnRespond ? !bLast : uNext < vSegments.size(); }
    bool Over() const { return !MoreToCome() && uRead >= sPending.size(); }
    void Append(const std::string& sBytes)
    {
        sPending.erase(0, uRead);
        uRead = 0;
        sPending += sBytes;
    }
    // The answer to one block the host wrote.
    void Answer(const std::string& sBlock)
    {
        if (fnRespond) {
            if (!bLast)
                Append(fnRespond(sBlock, &bLast));
        } else if (uNext < vSegments.size()) {
            Append(vSegments[uNext++]);
        }
    }
    SerialIo Failure() const
    {
        errno = EIO;
        return nAtEnd;
    }
};

Line tLine;

}  // namespace

void Load(std::vector<std::string> vSegments, SerialIo nAtEnd)
{
    tLine = Line{};
    tLine.vSegments = std::move(vSegments);
    tLine.nAtEnd = nAtEnd;
}

void Play(const std::string& sInitial, bool bInitialIsLast, Responder fnRespond)
{
    tLine = Line{};
    tLine.fnRespond = fnRespond ? std::move(fnRespond) : [](const std::string&, bool*) { return std::string(); };
    tLine.bLast = bInitialIsLast;
    tLine.sPending = sInitial;
    tLine.nAtEnd = SERIAL_IO_HUNGUP;
}

const std::vector<std::string>& Writes()
{
    return tLine.vWrites;
}

size_t Delivered()
{
    return tLine.uDelivered;
}

}  // namespace fakeserial

using fakeserial::tLine;

bool SerialPortOpen(const std::string& sPath, SerialHandle* pHandle)
{
    *pHandle = SERIAL_INVALID_HANDLE;
    if (sPath != fakeserial::PORT)
        return false;
    *pHandle = fakeserial::HANDLE;
    return true;
}

bool SerialPortConfigure(SerialHandle, unsigned)
{
    return true;
}

bool SerialPortProbe(const std::string& sPath)
{
    return sPath == fakeserial::PORT;
}

void SerialPortClose(SerialHandle) {}

SerialIo SerialPortReadSome(SerialHandle h, void* pBuffer, unsigned uSize, unsigned, unsigned* pRead)
{
    *pRead = 0;
    if (h != fakeserial::HANDLE) {
        errno = EBADF;
        return SERIAL_IO_FAILED;
    }
    if (tLine.Over() && tLine.nAtEnd != SERIAL_IO_OK)
        return tLine.Failure();
    const size_t n = std::min<size_t>(uSize, tLine.sPending.size() - tLine.uRead);
    std::memcpy(pBuffer, tLine.sPending.data() + tLine.uRead, n);
    tLine.uRead += n;
    tLine.uDelivered += n;
    *pRead = static_cast<unsigned>(n);
    return SERIAL_IO_OK;
}

SerialIo SerialPortRead(SerialHandle h, void* pBuffer, unsigned uSize, unsigned uTimeout, unsigned* pRead)
{
    // Everything that will come has come: one take is the whole read.
    return SerialPortReadSome(h, pBuffer, uSize, uTimeout, pRead);
}

SerialIo SerialPortWrite(SerialHandle h, const void* pBuffer, unsigned uSize, unsigned, unsigned* pWritten)
{
    *pWritten = 0;
    if (h != fakeserial::HANDLE) {
        errno = EBADF;
        return SERIAL_IO_FAILED;
    }
    if (tLine.Over() && tLine.nAtEnd != SERIAL_IO_OK)
        return tLine.Failure();
    const std::string block(static_cast<const char*>(pBuffer), uSize);
    if (tLine.vWrites.size() < fakeserial::WRITES_KEPT)
        tLine.vWrites.push_back(block);
    tLine.Answer(block);
    *pWritten = uSize;
    return SERIAL_IO_OK;
}

void SerialPortPurge(SerialHandle, bool bInput, bool)
{
    if (bInput) {
        tLine.sPending.clear();
        tLine.uRead = 0;
    }
}

std::vector<std::string> SerialPortCandidates()
{
    return {fakeserial::PORT};
}
