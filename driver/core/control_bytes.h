// The control bytes of the register's line and print stream, for the driver
// and for the tools that read what passed over the line.
#pragma once

#include <cstdint>

namespace kelvo::drv {

inline constexpr std::uint8_t kEtx = 3;
inline constexpr std::uint8_t kAck = 6;
inline constexpr std::uint8_t kBel = 7;
inline constexpr std::uint8_t kLineFeed = 10;
inline constexpr std::uint8_t kCarriageReturn = 13;
inline constexpr std::uint8_t kNak = 21;
inline constexpr std::uint8_t kEsc = 27;

}
