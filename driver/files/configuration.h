// The configuration file: one data line per register number telling how
// that register is reached.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "driver/core/context.h"

namespace kelvo::drv {

// The line speeds a converter on a network link can run its line at; the
// index is the speed code the converter is told.
inline constexpr std::array<std::uint32_t, 6> kNetworkLineSpeeds {9600, 19200, 28800, 38400, 57600, 115200};

// Reads the configuration file (already open) for the context's register
// number. Stores 0, 13, 14 or 16 as the result code, and on success fills the
// connection settings and header lines 1 and 3.
void readConfiguration();

// Checks a port specification "COMn:speed:MUXm:channel" (cleaned first) and
// fills the port values of the connection and the route to the register.
bool checkPortSpecification(std::string_view field, ConnectionSettings& connection, LinkRoute& route);

}
