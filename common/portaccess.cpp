#include "portaccess.h"

#include <cerrno>
#include <cstring>

bool SerialPortDenied(int nErrno)
{
    return nErrno == EACCES || nErrno == EPERM;
}

std::string SerialPortOpenReason(const std::string& sPath, int nErrno)
{
    const std::string system = std::strerror(nErrno);
    if (SerialPortDenied(nErrno))
        return system + ": " + SerialPortAccessAdvice(sPath);
    if (nErrno == EBUSY || nErrno == EWOULDBLOCK)
        return std::string(std::strerror(EBUSY)) + ": another program holds the port";
    return system;
}
