#include "platform/port_map.h"
#include "platform/serial_devices.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::platform;
using kelvo::test::PtyPair;
using kelvo::test::readFile;
using kelvo::test::ScopedEnv;
using kelvo::test::TempDir;
using kelvo::test::writeFile;

namespace fs = std::filesystem;

namespace {

// A machine with a USB adapter whose device is this test's pseudo-terminal,
// a USB modem known only by its identifiers, two ttyS nodes of which sysfs
// knows one UART, and a stale by-id link.
class FakeDeviceTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(root_.file("dev/serial/by-id"));
        fs::create_symlink(pty_.slavePath(), root_.file("dev/ttyUSB0"));
        writeFile(root_.file("dev/ttyACM0"), "");
        writeFile(root_.file("dev/ttyS1"), "");
        writeFile(root_.file("dev/ttyS10"), "");
        writeFile(root_.file("dev/ttyS2"), "");
        fs::create_symlink("../../ttyUSB0", root_.file("dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
        fs::create_symlink("../../ttyUSB7", root_.file("dev/serial/by-id/usb-gone-if00-port0"));
        // Serial numbers longer than any integer still sort.
        fs::create_symlink("../../ttyUSB7", root_.file("dev/serial/by-id/usb-gone-123456789012345678901234567890"));
        fs::create_symlink("../../ttyUSB7", root_.file("dev/serial/by-id/usb-gone-5"));

        usbDevice("1-1", "1-1:1.0/ttyUSB0", "ttyUSB0", {{"manufacturer", "FTDI"}, {"product", "FT232R USB UART"}});
        usbDevice("1-2", "1-2:1.0", "ttyACM0", {{"idVendor", "2341"}, {"idProduct", "0043"}});
        for (const auto& [name, type] : {std::pair {"ttyS1", "4"}, {"ttyS2", "0"}, {"ttyS10", "4"}}) {
            fs::create_directories(root_.file("sys/class/tty/") + name);
            writeFile(root_.file("sys/class/tty/") + name + "/type", std::string(type) + "\n");
        }
    }

    void usbDevice(const std::string& usb, const std::string& below, const std::string& tty,
        const std::vector<std::pair<std::string, std::string>>& attributes) const
    {
        const std::string folder = root_.file("sys/devices/usb1/" + usb);
        fs::create_directories(folder + "/" + below);
        for (const auto& [name, value] : attributes)
            writeFile(folder + "/" + name, value + "\n");
        fs::create_directories(root_.file("sys/class/tty/" + tty));
        fs::create_symlink(folder + "/" + below, root_.file("sys/class/tty/" + tty + "/device"));
    }

    std::string dev(const std::string& name) const { return root_.file("dev/" + name); }

    PtyPair pty_;
    TempDir root_;
    ScopedEnv rootVariable_ {"KELVO_DEVICE_ROOT", root_.path() + "/"};
    TempDir config_;
    ScopedEnv configVariable_ {"XDG_CONFIG_HOME", config_.path()};
};

}

TEST_F(FakeDeviceTree, ListsByIdLinksThenDevicesWithTheirDescriptions)
{
    const auto devices = serialDevices();
    std::vector<std::string> lines;
    for (const SerialDevice& device : devices)
        lines.push_back(device.path + " -> " + device.target + " : " + device.description);
    const std::vector<std::string> expected {
        dev("serial/by-id/usb-FTDI_FT232R-if00-port0") + " -> " + dev("ttyUSB0") + " : FTDI FT232R USB UART",
        dev("ttyUSB0") + " -> " + dev("ttyUSB0") + " : FTDI FT232R USB UART",
        dev("ttyACM0") + " -> " + dev("ttyACM0") + " : USB 2341:0043",
        dev("ttyS1") + " -> " + dev("ttyS1") + " : port szeregowy",
        dev("ttyS10") + " -> " + dev("ttyS10") + " : port szeregowy",
    };
    EXPECT_EQ(lines, expected) << "the stale link and the ttyS without a UART are left out";
}

TEST_F(FakeDeviceTree, ByIdNameIsPreferredForTheDeviceItLeadsTo)
{
    const auto devices = serialDevices();
    const std::string byId = dev("serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(preferredDeviceName(dev("ttyUSB0"), devices), byId);
    EXPECT_EQ(preferredDeviceName(pty_.slavePath(), devices), byId) << "the same device by another name";
    EXPECT_EQ(preferredDeviceName(byId, devices), byId);
    EXPECT_EQ(preferredDeviceName(dev("ttyACM0"), devices), dev("ttyACM0"));
}

TEST_F(FakeDeviceTree, MappingAPortReplacesItsLinesAndKeepsTheOthers)
{
    fs::create_directories(config_.file("kelvor"));
    writeFile(config_.file("kelvor/ports.conf"), "# bench\nCOM3=/dev/ttyS9\nLPT1=/dev/usb/lp0\n com3 = /dev/ttyS8\nCOM31=/x\n");
    ASSERT_TRUE(mapComPort(3, dev("ttyUSB0")));
    EXPECT_EQ(readFile(config_.file("kelvor/ports.conf")),
        "# bench\nLPT1=/dev/usb/lp0\nCOM31=/x\nCOM3=" + dev("serial/by-id/usb-FTDI_FT232R-if00-port0") + "\n");
    EXPECT_EQ(portDevicePath("COM3"), dev("serial/by-id/usb-FTDI_FT232R-if00-port0"));

    ASSERT_TRUE(mapComPort(3, dev("ttyACM0")));
    EXPECT_EQ(portDevicePath("COM3"), dev("ttyACM0"));
    EXPECT_EQ(std::distance(fs::directory_iterator(config_.file("kelvor")), fs::directory_iterator()), 1)
        << "no temporary file is left beside the map";
}

TEST_F(FakeDeviceTree, MappingCreatesTheSettingsFolder)
{
    ASSERT_TRUE(mapComPort(12, "/dev/ttyUSB3"));
    EXPECT_EQ(readFile(config_.file("kelvor/ports.conf")), "COM12=/dev/ttyUSB3\n");
}

TEST(SerialDevices, ThisMachineListsOnlyDevicesThatExist)
{
    ScopedEnv realRoot("KELVO_DEVICE_ROOT", "");
    for (const SerialDevice& device : serialDevices()) {
        EXPECT_TRUE(fs::exists(device.path)) << device.path;
        EXPECT_TRUE(device.path.starts_with("/dev/")) << device.path;
        EXPECT_FALSE(device.description.empty()) << device.path;
    }
}
