// Byte strings and their hexadecimal text, as used by the scenario files,
// the command line and the request log.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::sim {

using Bytes = std::vector<std::uint8_t>;

// "1B 9A 00" style: upper-case pairs separated by one blank.
std::string toHex(std::span<const std::uint8_t> bytes);

// Accepts pairs of hexadecimal digits, blanks between pairs allowed.
std::optional<Bytes> fromHex(std::string_view text);

std::uint8_t toBcd(unsigned value);

}
