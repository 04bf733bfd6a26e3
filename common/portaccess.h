// Why a serial port does not open, in words a user can act on: a port the
// user may not open is the commonest first-day failure on Linux (the user
// is not in the group that owns the device), and the system's bare
// "Permission denied" does not say what to do.
//
// The platform part (how access to a device is granted) is in
// portaccess_<platform>.cpp.
#pragma once

#include <string>

// The note a port list shows beside a port that exists but that the user
// may not open.
constexpr const char PORT_NOTE_NO_PERMISSION[] = "no permission";

// true when nErrno (left by SerialPortOpen) means the user may not open the
// device, rather than that it is busy or gone.
bool SerialPortDenied(int nErrno);

// The reason for a failed open of sPath that left nErrno: the system's text,
// followed by what to do where there is something to do:
//   EACCES -> "Permission denied: add yourself to the 'dialout' group and log in again"
//   EBUSY  -> "Device or resource busy: another program holds the port"
//   others -> the system's text ("No such file or directory").
std::string SerialPortOpenReason(const std::string& sPath, int nErrno);

// How to get access to the device sPath (platform part): on Linux the
// membership of the group that owns it, and a new login ("add yourself to
// the 'dialout' group and log in again"), or, when no group may open it,
// "ask the administrator for access to '/dev/ttyS0'".
std::string SerialPortAccessAdvice(const std::string& sPath);
