// Hands received bytes on as a serial line delivers them: with a line speed
// set, a byte is complete ten bit times after it was read, or after the byte
// before it was complete when that is later. So the register cannot answer
// before the request has arrived at line speed, as the client's write is
// taken at once by a pseudo-terminal or a socket.
#pragma once

#include <chrono>
#include <cstdint>

namespace kelvo::sim {

class ReceivePacing {
public:
    explicit ReceivePacing(std::uint32_t baud) : baud_(baud) {}

    // Waits until a byte that was read at `readAt` has crossed the line.
    void awaitByte(std::chrono::steady_clock::time_point readAt);

private:
    std::uint32_t baud_;  // 0: no waiting
    std::chrono::steady_clock::time_point complete_{};
};

}
