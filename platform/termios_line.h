// Line settings through the kernel's termios2 interface, which takes any
// speed and, unlike the C library's tcsetattr, does not report an error when
// a device such as a pseudo-terminal ignores the parity bits. Its header
// clashes with <termios.h>, so it lives apart.
#pragma once

#include <cstdint>

#include "platform/line_settings.h"

namespace kelvo::platform {

// The c_cflag parity bits: mark and space parity use CMSPAR.
std::uint32_t parityControlFlags(Parity parity);

// Applies the settings as SerialPort::configure describes: 0, or the errno.
int applyLineSettings(int descriptor, const LineSettings& settings);

}
