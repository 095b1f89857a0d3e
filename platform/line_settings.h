// What a serial line is set to: its speed, parity and flow control.
#pragma once

#include <cstdint>

namespace kelvo::platform {

enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

// Always 8 data bits and one stop bit.
struct LineSettings {
    std::uint32_t speed = 9600;  // bit/s
    Parity parity = Parity::None;
    bool ctsFlow = false;  // output waits for CTS
};

}
