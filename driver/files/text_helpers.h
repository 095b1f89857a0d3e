// Text helpers used wherever the driver builds or takes apart a text. These work on
// std::string; the 1023-character limit applies where a text is stored in a
// caller's buffer or written as a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/files/validators.h"

namespace kelvo::drv {

void appendThree(std::string& text, std::string_view a, std::string_view b, std::string_view c);

// Spaces removed at both ends (TABs stay).
std::string trimmed(std::string_view text);

// Clean-up of a field before it is interpreted: a ';' starts a comment,
// spaces and TABs around are dropped, the rest is upper-cased. A text of one
// character is kept as it is, except a lone ';'.
std::string cleanedField(std::string_view text);

// Where pad characters go: Left right-aligns the text, Right left-aligns
// it, the Both forms centre it adding one character at a time on
// alternate sides, starting on the side named.
enum class PadSide { Left, Right, BothStartingLeft, BothStartingRight };
std::string padded(std::string_view text, std::size_t width, char fill, PadSide side);

// first, fill characters, second, so that the whole is width long; with no
// room the two are joined directly.
std::string filledBetween(std::string_view first, std::string_view second, std::size_t width, char fill);

// count copies of c after every character: spread("AB", ' ', 1) is "A B ".
std::string spread(std::string_view text, char c, std::size_t count);

// Decimal digits without leading zeros, "0" for zero.
std::string decimalText(std::uint64_t value);

// A number zero-padded to two digits (dates, times) and to four (counters,
// record numbers); a longer number keeps all its digits.
std::string twoDigits(std::uint32_t value);
std::string fourDigits(std::uint32_t value);

}
