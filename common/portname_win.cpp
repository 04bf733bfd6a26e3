// Windows part of the port names: a port is "COMn", shown as it is. What
// the system knows of a USB adapter is not read here (the list shows the
// COM name alone).
#include "portname.h"

PortUsbInfo PortUsbDescription(const std::string&, const std::string&)
{
    return PortUsbInfo{};
}

PortDetails PortDescribeDetails(const std::string& sPath, const std::string&, const std::string&)
{
    PortDetails details;
    details.sPath = sPath;
    details.sName = PortDisplayName(sPath);
    return details;
}

std::string PortDisplayName(const std::string& sPath, const std::string&)
{
    // "\\.\COM12" is shown as "COM12".
    const size_t sep = sPath.find_last_of("\\/");
    const std::string last = sep == std::string::npos ? sPath : sPath.substr(sep + 1);
    return last.empty() ? sPath : last;
}
