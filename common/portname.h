// What a port list shows for each port, so that ports can be told apart at a
// glance in a narrow list: the link name of a simulated port, the device
// name of a hardware port and, for a USB adapter, what the system knows of
// it. The path itself stays what is opened.
//
// Platform part (portname_<platform>.cpp): PortUsbDescription and
// PortDisplayName; the rest is shared.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Longest product, maker or serial number text shown, characters.
constexpr size_t PORT_NAME_FIELD_MAX = 64;

// What the kernel tells of the USB device behind a tty device. Each field
// is empty when the system does not know it.
struct PortUsbInfo {
    std::string sProduct;
    std::string sMaker;
    std::string sSerial;
    std::string sVendorId;    // four hex digits, "0403"
    std::string sProductId;   // four hex digits, "6001"
    bool Empty() const { return sProduct.empty() && sMaker.empty() && sSerial.empty(); }
};

// Everything a port list can say of one port: what varn ports prints in
// columns and what the windows' lists show (PortDisplayName).
struct PortDetails {
    std::string sPath;    // what is opened
    std::string sName;    // "ttyUSB0", "pts/7", a simulator's link name
    std::string sById;    // the stable link under /dev/serial/by-id/ to it, or empty
    PortUsbInfo usb;
};

// The details of sPath: its name, its USB descriptors from the system tree
// at sSysRoot and the link in sByIdDir ("/dev/serial/by-id") that leads to
// the same device. Nothing is opened but the tree's small files.
PortDetails PortDescribeDetails(const std::string& sPath, const std::string& sSysRoot = "/sys",
                                const std::string& sByIdDir = "/dev/serial/by-id");

// Reads the USB product, maker, serial number and ids of the tty device
// sDevice ("ttyUSB0") from the system tree at sSysRoot ("/sys"): the
// device link <root>/class/tty/<device>/device, then up from it (a few
// levels, never out of the tree) to the USB device that holds "idVendor".
// The texts come from the adapter itself: only printable ASCII is kept,
// trimmed, at most PORT_NAME_FIELD_MAX characters each. An unknown device
// or one that is not on USB gives an empty result.
PortUsbInfo PortUsbDescription(const std::string& sDevice, const std::string& sSysRoot = "/sys");

// The text shown for one port path:
//   /dev/ttyUSB0 -> "ttyUSB0 (USB Serial Converter, Example Devices, S/N A10K3XYZ)" (what is known)
//   /dev/ttyS0   -> "ttyS0"; /dev/pts/7 -> "pts/7"
//   any other path (a simulator's link) -> its last component, "bench1".
std::string PortDisplayName(const std::string& sPath, const std::string& sSysRoot = "/sys");

// "device (product, maker, S/N serial)" with what is known; the device
// alone when nothing is.
std::string PortDescribe(const std::string& sDevice, const PortUsbInfo& info);

// The texts for a whole list, in order; where two paths would show the
// same text, both show their full path instead.
std::vector<std::string> PortDisplayNames(const std::vector<std::string>& vPaths,
                                          const std::string& sSysRoot = "/sys");
