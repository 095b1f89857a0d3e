#include "frontend/logic/seat_access.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kelvo::frontend;
using kelvo::test::TempDir;
using kelvo::test::writeFile;

namespace {

// A USB adapter as sysfs shows it, reached through a /dev/serial/by-id link.
TEST(SeatAccess, DriverOfATtyThroughItsLinkFromSysfs)
{
    const TempDir dir;
    fs::create_directories(dir.file("dev/serial/by-id"));
    writeFile(dir.file("dev/ttyUSB7"), "");
    fs::create_symlink("../../ttyUSB7", dir.file("dev/serial/by-id/usb-1a86_USB_Serial-if00-port0"));
    fs::create_directories(dir.file("sys/ttyUSB7/device"));
    fs::create_symlink("../../../bus/usb-serial/drivers/ch341", dir.file("sys/ttyUSB7/device/driver"));
    writeFile(dir.file("dev/ttyS0"), "");
    fs::create_directories(dir.file("sys/ttyS0/device"));
    fs::create_symlink("../../../bus/platform/drivers/serial8250", dir.file("sys/ttyS0/device/driver"));
    writeFile(dir.file("dev/pts3"), "");
    fs::create_directories(dir.file("sys/pts3"));

    EXPECT_EQ(ttyDriver(dir.file("dev/serial/by-id/usb-1a86_USB_Serial-if00-port0"), dir.file("sys")), "ch341");
    EXPECT_EQ(ttyDriver(dir.file("dev/ttyS0"), dir.file("sys")), "serial8250");
    EXPECT_EQ(ttyDriver(dir.file("dev/pts3"), dir.file("sys")), "");
    EXPECT_EQ(ttyDriver(dir.file("dev/gone"), dir.file("sys")), "");
}

TEST(SeatAccess, AdviceNamesTheRuleForCoveredAdaptersOnly)
{
    EXPECT_EQ(seatAccessAdvice("serial8250", false, "dialout"), "");
    EXPECT_EQ(seatAccessAdvice("", true, "dialout"), "");

    const std::string missing = seatAccessAdvice("cp210x", false, "dialout");
    EXPECT_NE(missing.find("adaptera USB (sterownik cp210x)"), std::string::npos) << missing;
    EXPECT_NE(missing.find("zainstaluj pakiet kelvor"), std::string::npos) << missing;
    EXPECT_NE(missing.find("grupy dialout"), std::string::npos) << missing;

    const std::string installed = seatAccessAdvice("cdc_acm", true, "uucp");
    EXPECT_EQ(installed.find("zainstaluj"), std::string::npos) << installed;
    EXPECT_NE(installed.find("podłącz adapter ponownie"), std::string::npos) << installed;
    EXPECT_NE(installed.find("grupy uucp"), std::string::npos) << installed;
}

TEST(SeatAccess, RuleFoundInAnyOfUdevsFolders)
{
    const TempDir dir;
    fs::create_directories(dir.file("etc"));
    fs::create_directories(dir.file("lib"));
    const std::vector<std::string> folders {dir.file("etc"), dir.file("lib")};
    EXPECT_FALSE(seatAccessRuleInstalled(folders));
    writeFile(dir.file("lib/") + std::string(kSeatAccessRule), "");
    EXPECT_TRUE(seatAccessRuleInstalled(folders));
}

// The installed rule and the advice cover the same drivers, and the rule
// sorts before the file where systemd acts on the tag.
TEST(SeatAccess, TheRuleTagsExactlyTheDriversTheAdviceNames)
{
    std::ifstream file(KELVO_SEAT_ACCESS_RULE);
    ASSERT_TRUE(file) << KELVO_SEAT_ACCESS_RULE;
    EXPECT_EQ(fs::path(KELVO_SEAT_ACCESS_RULE).filename().string(), kSeatAccessRule);
    EXPECT_LT(std::string(kSeatAccessRule), std::string("73-seat-late.rules"));
    std::set<std::string> tagged;
    const std::regex drivers(R"re(DRIVERS=="([a-z0-9_|]+)".*TAG\+="uaccess")re");
    for (std::string line; std::getline(file, line);) {
        std::smatch match;
        if (line.starts_with('#') || !std::regex_search(line, match, drivers))
            continue;
        std::stringstream names(match[1].str());
        for (std::string name; std::getline(names, name, '|');)
            tagged.insert(name);
    }
    const std::set<std::string> advised(seatAccessDrivers().begin(), seatAccessDrivers().end());
    EXPECT_EQ(tagged, advised);
}

}
