// Sends answers the way a serial line would: each answer after the
// turnaround delay, and with a line speed set, each byte no sooner than ten
// bit times after the one before.
#pragma once

#include "simulator/bytes.h"

#include <chrono>
#include <cstdint>

namespace kelvo::sim {

struct LineTiming {
    std::uint32_t baud = 0;  // 0: as fast as the descriptor takes them
    std::chrono::milliseconds turnaround{0};
};

// Writes the answer to a non-blocking descriptor; false when the other side
// is gone or does not take the bytes within a second.
bool writeAnswer(int fd, std::span<const std::uint8_t> answer, const LineTiming& timing);

// Time the line needs for this many bytes at the given speed.
std::chrono::microseconds lineTime(std::size_t bytes, std::uint32_t baud);

}
