// Text helpers used wherever the driver builds or takes apart a text.
// Positions are 1-based, as in the driver's file formats. These work on
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

// Characters first to last (inclusive, last cut to the length); empty when
// first is 0 or beyond the length, or last is before first.
std::string substring(std::string_view text, std::size_t first, std::size_t last);

void appendThree(std::string& text, std::string_view a, std::string_view b, std::string_view c);

// Splits at the last occurrence of c: returns the part before it (with c
// when keepCharacter) and leaves what follows c in text. Without c the
// result is empty and text stays as it is.
std::string splitOffAtLast(std::string& text, char c, bool keepCharacter);

bool containsCharacter(std::string_view text, char c);

// 1-based position of the first occurrence of pattern.
std::optional<std::size_t> findText(std::string_view text, std::string_view pattern);

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
std::string decimalText(const EightByteNumber& number);
std::string decimalText(const SixByteNumber& number);

// A byte holding two decimal digits in its halves: 0x42 gives 42.
std::uint8_t packedDecimalValue(std::uint8_t packed);

// Byte k of value, 1 the least significant; 0 for k outside 1 to 4.
std::uint8_t byteOfNumber(std::uint32_t value, unsigned k);

}
