// The udev rule the kelvor package installs gives the user at the computer's
// own seat access to USB serial adapters bound to certain drivers. These
// functions tell whether a device is one of them, so that the permission
// advice names the rule or the dialout group, whichever applies.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kelvo::frontend {

// The kernel drivers of the adapters that the rule covers, as it names them.
std::span<const std::string_view> seatAccessDrivers();

// The rule's file name, which sorts before systemd's 73-seat-late.rules.
inline constexpr std::string_view kSeatAccessRule = "70-kelvor-serial.rules";

// The driver of the tty device node at path ("ch341", "cdc_acm" …), read
// from sysfs under sysClassTty; empty when there is none (a pseudo-terminal,
// not a device).
std::string ttyDriver(const std::string& path, const std::string& sysClassTty = "/sys/class/tty");

// Whether the rule is in one of the folders udev reads rules from.
bool seatAccessRuleInstalled(std::span<const std::string> ruleFolders);

// The permission advice for a device the rule covers (driver among
// seatAccessDrivers()), or empty for one it does not cover. group is the
// device's group, for those who work away from the seat (ssh).
std::string seatAccessAdvice(const std::string& driver, bool ruleInstalled, const std::string& group);

// The advice above for the device at path as this computer has it: its
// driver from sysfs, the rule from udev's folders, the device's group.
std::string seatAccessAdviceFor(const std::string& path);

}
