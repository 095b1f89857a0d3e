// The speed a pseudo-terminal's client set on its side of the line.
#pragma once

#include <cstdint>

namespace kelvo::sim {

// The output speed in bit/s of the terminal behind a pseudo-terminal's master
// (any speed, also one without a standard code); 0 when it cannot be read.
std::uint32_t clientLineSpeed(int master);

}
