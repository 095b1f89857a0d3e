// The control bytes of the register's line and print stream, for the driver
// and for the tools that read what passed over the line.
#pragma once

#include <cstdint>

namespace kelvo::drv {

// The register's answers to a request and the start of a command.
inline constexpr std::uint8_t kAck = 6, kNak = 21, kEsc = 27;
// The ends of a text block and of a print stream, and the line ends.
inline constexpr std::uint8_t kEtx = 3, kBel = 7, kLineFeed = 10, kCarriageReturn = 13;

}
