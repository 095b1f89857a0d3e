#include "simulator/net_serial.h"

#include <array>

namespace kelvo::sim {

namespace {

constexpr std::array<std::uint32_t, 12> speeds{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 150, 300, 600, 28800};

}

char answerNetSerial(std::string_view text, NetSerialState& state)
{
    if (text == "R") {
        state = NetSerialState{};
        return 'A';
    }
    if (text.size() == 4 && text.starts_with("PS") && (text[2] == '0' || text[2] == '1') &&
        (text[3] == '0' || text[3] == '1')) {
        const unsigned line = text[2] - '0';
        if (text[3] == '1')
            state.lines = static_cast<std::uint8_t>(state.lines | (1u << line));
        else
            state.lines = static_cast<std::uint8_t>(state.lines & ~(1u << line));
        return 'A';
    }
    if ((text.size() == 4 || text.size() == 5) && text.starts_with("PBR")) {
        unsigned code = 0;
        for (char c : text.substr(3)) {
            if (c < '0' || c > '9') return 'E';
            code = code * 10 + static_cast<unsigned>(c - '0');
        }
        if (code >= speeds.size() || (text.size() == 5 && text[3] == '0')) return 'E';
        state.speed = speeds[code];
        return 'A';
    }
    return 'E';
}

}
