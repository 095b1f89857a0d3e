// The network serial server's set-up commands, as UDP texts without a
// terminator: "R" (reset), "PSxy" (set the channel lines), "PBRn" (set the
// line speed). Each is answered with one byte, 'A' when accepted.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvo::sim {

struct NetSerialState {
    std::uint8_t lines = 0;                 // bit 0: PS0x, bit 1: PS1x, as last set
    std::optional<std::uint32_t> speed;     // bit/s from the last PBR command
};

// 'A' for an accepted command, 'E' for anything else.
char answerNetSerial(std::string_view text, NetSerialState& state);

}
