// The serial devices present on this machine, by their Linux names.
//
// Listed are the links in /dev/serial/by-id (with the device each leads to),
// /dev/ttyUSB*, /dev/ttyACM*, and those /dev/ttyS* that are real ports: the
// TIOCGSERIAL probe, or when the device cannot be opened the port type in
// sysfs, gives a type other than PORT_UNKNOWN. Descriptions come from the USB
// device above the tty in sysfs (manufacturer and product, else its vendor and
// product identifiers).
//
// $KELVO_DEVICE_ROOT, when set, is the folder that stands for "/" in this
// search (a fake tree with dev/serial/by-id links and sys/class/tty entries,
// for tests); the paths listed then begin with it.
#pragma once

#include <string>
#include <vector>

namespace kelvo::platform {

struct SerialDevice {
    std::string path;         // the name to open, by-id link or device
    std::string target;       // the device the path leads to (the path itself for a device)
    std::string description;  // in Polish, for the user
};

// By-id links first, then the ttyUSB, ttyACM and ttyS devices, each group in
// the order of their numbers.
std::vector<SerialDevice> serialDevices();

// The by-id link among the devices that leads to path, else path itself.
std::string preferredDeviceName(const std::string& path, const std::vector<SerialDevice>& devices);

}
