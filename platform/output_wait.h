// How a write waits for its bytes to leave: first for the time the line
// itself needs for them at the port's speed, and only then by asking the
// kernel how many bytes its output queue still holds. Asking in short sleeps
// from the start cost a whole sleep step on every byte the link writes, far
// more than a byte's line time at the higher speeds.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kelvo::platform {

using OutputClock = std::chrono::steady_clock;

// Time the line needs for this many bytes: ten bits a byte (start bit, eight
// data bits, stop bit) at the speed in bit/s; none at speed 0.
std::chrono::microseconds byteLineTime(std::size_t bytes, std::uint32_t speed);

// What the wait looks at, so that a test can stand in for a real line.
class OutputQueue {
public:
    virtual ~OutputQueue() = default;
    // Bytes still in the kernel's output queue; nothing when the device
    // cannot say, which counts as empty.
    virtual std::optional<std::size_t> queued() = 0;
    virtual OutputClock::time_point now() = 0;
    virtual void sleepUntil(OutputClock::time_point when) = 0;
};

// Waits for `written` bytes handed to the kernel at `start` to leave at
// `speed`, up to the deadline; the number of bytes still queued when the
// deadline passed, 0 once the queue is empty.
std::size_t waitForOutput(OutputQueue& queue, std::size_t written, std::uint32_t speed,
    OutputClock::time_point start, OutputClock::time_point deadline);

}
