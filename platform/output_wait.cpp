#include "platform/output_wait.h"

#include <algorithm>

namespace kelvo::platform {

namespace {

// Bytes still queued after their line time are held by CTS or by a slow
// adapter; the queue is then asked again no more often than this.
constexpr std::chrono::microseconds minimumRecheck {100};

}

std::chrono::microseconds byteLineTime(std::size_t bytes, std::uint32_t speed)
{
    if (speed == 0)
        return std::chrono::microseconds {0};
    return std::chrono::microseconds {static_cast<std::int64_t>(bytes) * 10'000'000 / speed};
}

std::size_t waitForOutput(OutputQueue& queue, std::size_t written, std::uint32_t speed,
    OutputClock::time_point start, OutputClock::time_point deadline)
{
    OutputClock::time_point next = start + byteLineTime(written, speed);
    for (;;) {
        if (next > queue.now())
            queue.sleepUntil(std::min(next, deadline));
        const std::size_t left = queue.queued().value_or(0);
        if (left == 0)
            return 0;
        const OutputClock::time_point now = queue.now();
        if (now >= deadline)
            return left;
        next = now + std::max(byteLineTime(left, speed), minimumRecheck);
    }
}

}
