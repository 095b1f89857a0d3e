// Field validators. Every value the driver takes from a text file goes
// through one of these. They share one number model: a value is an unsigned
// six-byte number written in decimal, in hexadecimal with a marker, or as up
// to six quoted characters; long, word, byte and boolean are range checks on
// top of it. Each returns no value when the text is not valid.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvo::drv {

// Numbers as the C interface stores them, least significant byte first.
using SixByteNumber = std::array<std::uint8_t, 6>;
using EightByteNumber = std::array<std::uint8_t, 8>;

inline constexpr std::uint64_t kSixByteLimit = std::uint64_t{1} << 48;

SixByteNumber toSixBytes(std::uint64_t value);
std::uint64_t fromSixBytes(const SixByteNumber& number);
EightByteNumber toEightBytes(std::uint64_t value);
std::uint64_t fromEightBytes(const EightByteNumber& number);

// Decimal digits, spaces around allowed, below 2^48.
std::optional<std::uint64_t> parseSixByteDecimal(std::string_view text);
// Hexadecimal with a marker: "$" or "H" before, "H" after, or "0x" before.
std::optional<std::uint64_t> parseSixByteHex(std::string_view text);
// 1 to 6 characters between apostrophes, the first the least significant.
std::optional<std::uint64_t> parseSixByteQuoted(std::string_view text);
// Decimal, hexadecimal, then quoted.
std::optional<std::uint64_t> parseSixByte(std::string_view text);

std::optional<std::uint32_t> parseLong(std::string_view text);
std::optional<std::uint32_t> parseLongInRange(std::string_view text, std::uint32_t minimum, std::uint32_t maximum);
std::optional<std::uint16_t> parseWord(std::string_view text);
std::optional<std::uint8_t> parseByte(std::string_view text);
// Bare hexadecimal digits ("FF", "0a").
std::optional<std::uint8_t> parseHexByte(std::string_view text);
// A number 0 or 1, or one of Y, T (true) and N (false) in either case.
std::optional<bool> parseBoolean(std::string_view text);
// Decimal digits with spaces anywhere; an empty text is 0.
std::optional<std::uint64_t> parseEightByte(std::string_view text);

// A decimal fraction as an integer and its number of decimals: 12,50 is
// 1250 with 2 decimals, or 125 with 1 when trailing zeros are stripped.
struct ScaledNumber {
    std::uint32_t scaled = 0;
    std::uint8_t decimals = 0;
    bool operator==(const ScaledNumber&) const = default;
};
std::optional<ScaledNumber> parseScaledNumber(std::string_view text, bool stripZeros);

// Serial line parity codes as the port layer takes them.
enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
// NONE, ODD, EVEN, MARK, SPACE or their first letters, any case.
std::optional<Parity> parseParity(std::string_view text);

std::optional<std::uint8_t> digitValue(char c);
bool isDecimalSeparator(char c);

// Days of a month of the two-digit year (February has 29 when it divides by 4).
std::uint8_t daysInMonth(std::uint8_t year, std::uint8_t month);

// A date as year, month, day: bytes 0-2 hold the two-digit year, month and
// day; bytes 3-8 the two digits of each in turn, decimal (12 gives 1, 2) or,
// in digit form, the two hexadecimal digits (12 gives 0, 12).
using DateBytes = std::array<std::uint8_t, 9>;
// Accepts 2010.05.12, 10.05.12 and 2010r05.12: a two- or four-digit year,
// two-digit month and day, checked against the length of the month.
std::optional<DateBytes> parseDate(std::string_view text, bool digitForm);

}
