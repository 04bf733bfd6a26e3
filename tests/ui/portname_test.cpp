// What the port lists show: names that tell ports apart, read from a system
// tree laid out as the kernel lays out /sys, and the path kept for opening.
#include <gtest/gtest.h>

#include <QComboBox>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "portlist.h"
#include "portname.h"
#include "pty_peer.h"
#include "test_support.h"

namespace {

// A fake /sys with a usb-serial adapter (ttyUSB0, the port one level below
// its interface), a modem-class adapter (ttyACM0, at the interface), a
// built-in port (ttyS0) and a device link that leads out of the tree.
class FakeSys : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string usb = "devices/pci0000:00/usb1/1-2";
        Write(usb + "/idVendor", "0403\n");
        Write(usb + "/idProduct", "6001\n");
        Write(usb + "/product", "USB Serial Converter\n");
        Write(usb + "/manufacturer", "Example Devices\n");
        Write(usb + "/serial", "A10K3XYZ\n");
        Dir(usb + "/1-2:1.0/ttyUSB0/tty/ttyUSB0");
        Link("class/tty/ttyUSB0/device", "../../../" + usb + "/1-2:1.0/ttyUSB0");

        // What an adapter may put in its descriptors: control bytes, blanks
        // and overlong texts; no maker.
        const std::string acm = "devices/pci0000:00/usb1/1-3";
        Write(acm + "/idVendor", "1234\n");
        Write(acm + "/product", "  Sensor\x01\x1b link  \n");
        Write(acm + "/serial", std::string(100, '7') + "\n");
        Dir(acm + "/1-3:1.0");
        Link("class/tty/ttyACM0/device", "../../../" + acm + "/1-3:1.0");

        Dir("devices/pnp0/00:01");
        Link("class/tty/ttyS0/device", "../../../devices/pnp0/00:01");
        // Out of the tree, even if that place looked like a USB device.
        Write("../outside/idVendor", "0000\n");
        Write("../outside/product", "Not from the tree\n");
        Dir("class/tty/ttyEVIL");
        symlink((root.Path() + "/outside").c_str(), Sys("class/tty/ttyEVIL/device").c_str());
    }

    std::string Sys(const std::string& sRel) const { return root.Path() + "/sys/" + sRel; }
    void Dir(const std::string& sRel) const { std::filesystem::create_directories(Sys(sRel)); }
    void Write(const std::string& sRel, const std::string& sText) const
    {
        Dir(sRel.substr(0, sRel.rfind('/')));
        std::ofstream(Sys(sRel), std::ios::binary) << sText;
    }
    void Link(const std::string& sRel, const std::string& sTarget) const
    {
        Dir(sRel.substr(0, sRel.rfind('/')));
        ASSERT_EQ(symlink(sTarget.c_str(), Sys(sRel).c_str()), 0) << sRel;
    }

    TempDir root;
};

}  // namespace

TEST_F(FakeSys, UsbAdaptersShowProductMakerAndSerialNumber)
{
    const std::string sys = root.Path() + "/sys";
    EXPECT_EQ(PortDisplayName("/dev/ttyUSB0", sys), "ttyUSB0 (USB Serial Converter, Example Devices, S/N A10K3XYZ)");
    const PortUsbInfo acm = PortUsbDescription("ttyACM0", sys);
    EXPECT_EQ(acm.sProduct, "Sensor link");
    EXPECT_EQ(acm.sMaker, "");
    EXPECT_EQ(acm.sSerial, std::string(PORT_NAME_FIELD_MAX, '7'));
    EXPECT_EQ(PortDisplayName("/dev/ttyACM0", sys), "ttyACM0 (Sensor link, S/N " + acm.sSerial + ")");
}

TEST_F(FakeSys, OtherPortsShowTheirDeviceOrLinkName)
{
    const std::string sys = root.Path() + "/sys";
    EXPECT_EQ(PortDisplayName("/dev/ttyS0", sys), "ttyS0");
    EXPECT_TRUE(PortUsbDescription("ttyEVIL", sys).Empty());
    EXPECT_EQ(PortDisplayName("/dev/ttyEVIL", sys), "ttyEVIL");
    EXPECT_TRUE(PortUsbDescription("../ttyUSB0", sys).Empty());
    EXPECT_EQ(PortDisplayName("/dev/ttyUSB9", sys), "ttyUSB9");
    EXPECT_EQ(PortDisplayName("/dev/pts/7", sys), "pts/7");
    // A simulator's link in the virtual port folder, wherever that is.
    EXPECT_EQ(PortDisplayName("/run/user/1000/varn-ports/bench1", sys), "bench1");
    EXPECT_EQ(PortDisplayName("bench1", sys), "bench1");

    // Names that would be alike show their paths instead.
    EXPECT_EQ(PortDisplayNames({"/tmp/a/port", "/dev/ttyS0", "/tmp/b/port"}, sys),
              (std::vector<std::string>{"/tmp/a/port", "ttyS0", "/tmp/b/port"}));
}

// What varn ports prints: the stable link that leads to the port and the
// USB ids (/dev/null stands for the adapter's device node, which the test
// cannot create; the fake tree gives it the adapter's place).
TEST_F(FakeSys, DetailsNameTheStableLinkAndTheUsbIds)
{
    const std::string sys = root.Path() + "/sys";
    Link("class/tty/null/device", "../../../devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0");
    const std::string byId = root.Path() + "/by-id";
    std::filesystem::create_directories(byId);
    ASSERT_EQ(symlink("/dev/null", (byId + "/usb-Example_Devices_A10K3XYZ-if00-port0").c_str()), 0);
    ASSERT_EQ(symlink("/dev/zero", (byId + "/usb-Other-if00").c_str()), 0);
    const PortDetails d = PortDescribeDetails("/dev/null", sys, byId);
    EXPECT_EQ(d.sName, "null");
    EXPECT_EQ(d.sById, byId + "/usb-Example_Devices_A10K3XYZ-if00-port0");
    EXPECT_EQ(d.usb.sVendorId + ":" + d.usb.sProductId, "0403:6001");
    EXPECT_EQ(d.usb.sProduct, "USB Serial Converter");
    EXPECT_EQ(PortDescribeDetails("/dev/ttyS0", sys, byId).sById, "");
    // A modem-class adapter without idProduct keeps the vendor id alone.
    Link("class/tty/full/device", "../../../devices/pci0000:00/usb1/1-3/1-3:1.0");
    EXPECT_EQ(PortDescribeDetails("/dev/full", sys, byId).usb.sVendorId, "1234");
    EXPECT_EQ(PortDescribeDetails("/dev/full", sys, byId).usb.sProductId, "");
}

TEST(PortListEntries, ShowTheNameOpenThePathAndTipIt)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    TempDir ports;
    const std::string link = ports.File("bench7");
    ASSERT_EQ(symlink(peer.SlavePath().c_str(), link.c_str()), 0);
    QComboBox combo;
    FillPortList(&combo, {link});
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(1).toStdString(), "bench7");
    EXPECT_EQ(combo.itemData(1, Qt::ToolTipRole).toString().toStdString(), link);
    EXPECT_EQ(PortListSelection(&combo), link);
    combo.setCurrentIndex(0);
    EXPECT_EQ(PortListSelection(&combo), "");
}
