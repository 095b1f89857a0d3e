// Windows port names on Linux: COMn and LPTn name devices through a port map.
//
// COMn is the path in $KELVO_COM<n>, else the last line "COM<n>=PATH" of the
// port map file ($XDG_CONFIG_HOME/kelvor/ports.conf, else
// ~/.config/kelvor/ports.conf), else /dev/ttyS<n-1>. LPTn likewise with
// $KELVO_LPT<n>, "LPT<n>=PATH" and /dev/lp<n-1>. Names are matched without
// regard to case, with or without the "\\.\" device prefix.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_devices.h"

namespace kelvo::platform {

std::string portMapFile();

// The variable that names a port's device ahead of the map: KELVO_COM3 for "COM3".
std::string portVariable(std::string_view portName);

// The device path for a port name; a name that is not COMn or LPTn (n from 1
// to 255) is a path as given.
std::string portDevicePath(std::string_view name);

// Maps COM<number> to a device in the port map file: one line "COM<n>=PATH"
// takes the place of the port's earlier lines, every other line is kept, and
// the file is replaced as a whole so that no reader sees half of it. A device
// that a /dev/serial/by-id link leads to is written by that name, so that a
// replugged adapter keeps its port. False (errno set) when the file cannot be
// written.
bool mapComPort(unsigned number, const std::string& devicePath);

// The COM ports the front ends offer and search: COM1 to COM99.
inline constexpr unsigned kHighestMappedPort = 99;

// The serial devices found (see serialDevices), and after them the character
// devices that COM ports are mapped to (by $KELVO_COMn or the port map) and
// that the search does not list, such as a pseudo-terminal or an adapter
// without a by-id link.
std::vector<SerialDevice> serialDevicesAndMappedPorts();

// The lowest COM number (1 to 99) that leads to the device: by the device's
// listed name, or to the same device file; none when no port does.
std::optional<unsigned> comPortOf(const SerialDevice& device);

}
