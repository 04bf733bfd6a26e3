// Platform seam of the serial link: one implementation file per platform.
// Nothing here logs or reports; serial.cpp does.
#pragma once

#include <string>
#include <vector>

#if defined(_WIN32)
using SerialHandle = void*;
#else
using SerialHandle = int;
#endif
extern const SerialHandle SERIAL_INVALID_HANDLE;

// The line: 115200 baud, 8N1, so ten bits on the line for every byte; the
// bytes a second it carries at most, which paced reads and the simulator
// go by.
constexpr unsigned SERIAL_BAUDRATE = 115200;
constexpr unsigned SERIAL_BYTES_PER_SECOND = SERIAL_BAUDRATE / 10;

// Opens the device for reading and writing, exclusively, only if it exists.
// Every failure path closes what it opened and leaves the reason in errno
// (EACCES no permission, EBUSY held by another program, ENOENT missing).
bool SerialPortOpen(const std::string& sPath, SerialHandle* pHandle);

// Sets the queue sizes where the platform has them and applies 115200 8N1
// raw without flow control.
bool SerialPortConfigure(SerialHandle h, unsigned uQueueSize);

// Opens and closes at once: does the port exist and is it free?
bool SerialPortProbe(const std::string& sPath);

void SerialPortClose(SerialHandle h);

// Result of a transfer. On SERIAL_IO_FAILED errno holds the system's reason;
// SERIAL_IO_HUNGUP means the line is gone (adapter unplugged, peer closed).
enum SerialIo { SERIAL_IO_OK = 0, SERIAL_IO_FAILED, SERIAL_IO_HUNGUP };

// Reads until uSize bytes came or uTimeout ms passed since the call began.
SerialIo SerialPortRead(SerialHandle h, void* pBuffer, unsigned uSize, unsigned uTimeout,
                        unsigned* pRead);

// Takes what the line holds now, up to uSize bytes; when it holds nothing,
// waits at most uTimeout ms for the first bytes and takes those. *pRead is
// 0 only when the time-out passed without a byte.
SerialIo SerialPortReadSome(SerialHandle h, void* pBuffer, unsigned uSize, unsigned uTimeout,
                            unsigned* pRead);

// Writes all bytes within uTimeout ms.
SerialIo SerialPortWrite(SerialHandle h, const void* pBuffer, unsigned uSize, unsigned uTimeout,
                         unsigned* pWritten);

// Discards pending output (bOutput) and/or unread input (bInput).
void SerialPortPurge(SerialHandle h, bool bInput, bool bOutput);

// The ports this machine offers, in list order: the virtual port folder's
// links, then hardware serial devices, each group in natural order.
std::vector<std::string> SerialPortCandidates();
