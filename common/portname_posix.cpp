// What the kernel tells of a port: device names under /dev, USB adapters'
// descriptors under /sys.
#include <cctype>
#include <climits>
#include <dirent.h>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "portname.h"

namespace {

constexpr char kDevPrefix[] = "/dev/";
// Levels from the tty's device link up to its USB device: interface, then
// device (usb-serial adds the port's own level below the interface).
constexpr int kUsbSearchLevels = 4;

// A small text attribute of the system tree, cleaned for display.
std::string ReadAttribute(const std::string& sPath)
{
    const int fd = open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::string();
    char raw[256];
    const ssize_t n = read(fd, raw, sizeof raw);
    close(fd);
    if (n <= 0)
        return std::string();
    std::string text;
    for (ssize_t i = 0; i < n && text.size() < PORT_NAME_FIELD_MAX; i++) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c == '\n' || c == '\0')
            break;
        if (c >= 0x20 && c < 0x7F)
            text += static_cast<char>(c);
    }
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string RealPath(const std::string& sPath)
{
    char resolved[PATH_MAX];
    if (realpath(sPath.c_str(), resolved) == nullptr)
        return std::string();
    return resolved;
}

bool IsPlainName(const std::string& sName)
{
    return !sName.empty() && sName != "." && sName != ".." && sName.find('/') == std::string::npos;
}

// A USB id as the kernel writes it: four hex digits; anything else is
// dropped.
std::string HexId(const std::string& sText)
{
    if (sText.size() != 4)
        return std::string();
    for (char c : sText) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::string();
    }
    return sText;
}

// The link in sByIdDir that resolves to the same file as sPath; empty when
// none does (a simulator's port, a built-in port, no such folder).
std::string StableLink(const std::string& sPath, const std::string& sByIdDir)
{
    const std::string target = RealPath(sPath);
    DIR* d = target.empty() ? nullptr : opendir(sByIdDir.c_str());
    if (d == nullptr)
        return std::string();
    std::string found;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string link = sByIdDir + "/" + e->d_name;
        if (RealPath(link) == target && (found.empty() || link < found))
            found = link;
    }
    closedir(d);
    return found;
}

// The name a port shows: the device under /dev, else the last component.
std::string PortName(const std::string& sPath)
{
    const size_t prefix = sizeof kDevPrefix - 1;
    if (sPath.size() > prefix && sPath.compare(0, prefix, kDevPrefix) == 0)
        return sPath.substr(prefix);
    const size_t slash = sPath.find_last_of('/');
    if (slash == std::string::npos)
        return sPath;
    const std::string last = sPath.substr(slash + 1);
    return last.empty() ? sPath : last;
}

}  // namespace

PortUsbInfo PortUsbDescription(const std::string& sDevice, const std::string& sSysRoot)
{
    PortUsbInfo info;
    if (!IsPlainName(sDevice))
        return info;
    const std::string root = RealPath(sSysRoot);
    std::string dir = RealPath(sSysRoot + "/class/tty/" + sDevice + "/device");
    if (root.empty() || dir.empty())
        return info;
    for (int level = 0; level < kUsbSearchLevels; level++) {
        // Never above the tree: a link that leads out of it is not followed.
        if (dir.size() <= root.size() || dir.compare(0, root.size() + 1, root + "/") != 0)
            break;
        if (access((dir + "/idVendor").c_str(), F_OK) == 0) {
            info.sProduct = ReadAttribute(dir + "/product");
            info.sMaker = ReadAttribute(dir + "/manufacturer");
            info.sSerial = ReadAttribute(dir + "/serial");
            info.sVendorId = HexId(ReadAttribute(dir + "/idVendor"));
            info.sProductId = HexId(ReadAttribute(dir + "/idProduct"));
            break;
        }
        dir = dir.substr(0, dir.rfind('/'));
    }
    return info;
}

PortDetails PortDescribeDetails(const std::string& sPath, const std::string& sSysRoot, const std::string& sByIdDir)
{
    PortDetails d;
    d.sPath = sPath;
    d.sName = PortName(sPath);
    const size_t prefix = sizeof kDevPrefix - 1;
    const bool device = sPath.size() > prefix && sPath.compare(0, prefix, kDevPrefix) == 0;
    if (device && IsPlainName(d.sName))
        d.usb = PortUsbDescription(d.sName, sSysRoot);
    d.sById = StableLink(sPath, sByIdDir);
    return d;
}

std::string PortDisplayName(const std::string& sPath, const std::string& sSysRoot)
{
    const PortDetails d = PortDescribeDetails(sPath, sSysRoot);
    return PortDescribe(d.sName, d.usb);
}
