#include "platform/port_map.h"
#include "platform/vsp_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::platform;
using kelvo::test::ScopedEnv;
using kelvo::test::TempDir;
using kelvo::test::writeFile;

namespace {

// Settings files in a folder of the test's own, never the user's.
class UserSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::mkdir(dir_.file("kelvor").c_str(), 0700), 0); }

    void writePortMap(const std::string& text) const { writeFile(dir_.file("kelvor/ports.conf"), text); }
    void writeVspList(const std::string& text) const { writeFile(dir_.file("kelvor/vsp.conf"), text); }

    TempDir dir_;
    ScopedEnv config_ {"XDG_CONFIG_HOME", dir_.path()};
    ScopedEnv noVspFile_ {"KELVO_VSP_FILE", ""};
};

using PortMapTest = UserSettingsTest;
using VspListTest = UserSettingsTest;

}

TEST_F(PortMapTest, DefaultsAreTheLinuxDevices)
{
    EXPECT_EQ(portMapFile(), dir_.file("kelvor/ports.conf"));
    EXPECT_EQ(portDevicePath(R"(\\.\COM1)"), "/dev/ttyS0");
    EXPECT_EQ(portDevicePath(R"(\\.\COM12)"), "/dev/ttyS11");
    EXPECT_EQ(portDevicePath("com3"), "/dev/ttyS2");
    EXPECT_EQ(portDevicePath(R"(\\.\LPT1)"), "/dev/lp0");
    EXPECT_EQ(portDevicePath(R"(\\.\LPT2)"), "/dev/lp1");
}

TEST_F(PortMapTest, OtherNamesArePathsAsGiven)
{
    for (const std::string name : {"/dev/ttyUSB0", R"(\\.\COM0)", R"(\\.\COM256)", R"(\\.\COM03)", "COM3x", "COM"})
        EXPECT_EQ(portDevicePath(name), name);
}

TEST_F(PortMapTest, EnvironmentComesBeforeTheFileAndTheFileBeforeTheDefault)
{
    writePortMap("# ports of the service bench\n\nCOM2=/dev/ttyUSB0\n  com3 = /tmp/kelvo com3  \nCOM2=/dev/ttyUSB1\n"
                 "LPT1=/dev/usb/lp0\nCOM4\n");
    EXPECT_EQ(portDevicePath(R"(\\.\COM2)"), "/dev/ttyUSB1") << "the last line for a port counts";
    EXPECT_EQ(portDevicePath(R"(\\.\COM3)"), "/tmp/kelvo com3");
    EXPECT_EQ(portDevicePath(R"(\\.\LPT1)"), "/dev/usb/lp0");
    EXPECT_EQ(portDevicePath(R"(\\.\COM4)"), "/dev/ttyS3") << "a line without '=' maps nothing";

    ScopedEnv com2("KELVO_COM2", "/dev/pts/77");
    ScopedEnv lpt1("KELVO_LPT1", "/dev/lp9");
    EXPECT_EQ(portDevicePath(R"(\\.\COM2)"), "/dev/pts/77");
    EXPECT_EQ(portDevicePath(R"(\\.\LPT1)"), "/dev/lp9");
    ScopedEnv emptyCom3("KELVO_COM3", "");
    EXPECT_EQ(portDevicePath(R"(\\.\COM3)"), "/tmp/kelvo com3") << "an empty variable maps nothing";
}

TEST_F(PortMapTest, WithoutXdgConfigHomeTheFileIsUnderHome)
{
    ::unsetenv("XDG_CONFIG_HOME");
    ScopedEnv home("HOME", "/home/kelvo-test");
    EXPECT_EQ(portMapFile(), "/home/kelvo-test/.config/kelvor/ports.conf");
    EXPECT_EQ(vspListFile(), "/home/kelvo-test/.config/kelvor/vsp.conf");
}

TEST_F(VspListTest, ListedPortsGiveTheirAddress)
{
    EXPECT_EQ(vspListFile(), dir_.file("kelvor/vsp.conf"));
    writeVspList("# virtual ports\ncom3 192.168.1.20\nCOM4\nCOM5 10.0.0.1\nCOM5 10.0.0.2 spare\nCOM6 not-an-address\n"
                 "COM7 10.0.0.7\nCOM7\n");
    EXPECT_EQ(forwardingAddress("COM3"), "192.168.1.20") << "names in the file are upper-cased";
    EXPECT_EQ(forwardingAddress("COM4"), "0.0.0.0") << "listed without an address";
    EXPECT_EQ(forwardingAddress("COM5"), "10.0.0.2") << "a later line replaces an earlier one";
    EXPECT_EQ(forwardingAddress("COM6"), "0.0.0.0");
    EXPECT_EQ(forwardingAddress("COM7"), "0.0.0.0");
    EXPECT_EQ(forwardingAddress("COM8"), "");
    EXPECT_EQ(forwardingAddress("COM"), "");
    EXPECT_EQ(forwardingAddress("com3"), "") << "the wanted name is compared exactly";
}

TEST_F(VspListTest, TheFileVariableWinsAndAMissingFileListsNothing)
{
    writeVspList("COM3 192.168.1.20\n");
    const std::string other = dir_.file("other.conf");
    writeFile(other, "COM3 172.16.0.3\n");
    {
        ScopedEnv file("KELVO_VSP_FILE", other);
        EXPECT_EQ(forwardingAddress("COM3"), "172.16.0.3");
    }
    ScopedEnv missing("KELVO_VSP_FILE", dir_.file("missing.conf"));
    EXPECT_EQ(forwardingAddress("COM3"), "");
}
