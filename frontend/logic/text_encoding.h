// The driver writes Windows-1250; terminals and the toolkit speak UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::frontend {

// Bytes that are not Windows-1250 characters become U+FFFD.
std::string utf8FromWindows1250(std::string_view text);

// The way back: one byte a character; a character the code page lacks, or a
// broken UTF-8 sequence, becomes '?'.
std::string windows1250FromUtf8(std::string_view text);

// The characters of UTF-8 text, as a terminal lines them up (not its bytes).
std::size_t utf8Characters(std::string_view text);

// Lines of at most width characters: each line of the text broken at blanks,
// a word longer than the width cut where it reaches it. Empty text gives one
// empty line.
std::vector<std::string> wrapToWidth(std::string_view text, std::size_t width);

// The text kept within width characters: when it is longer, its start and "…".
std::string cutToWidth(std::string_view text, std::size_t width);

// A report text file as the display shows it: UTF-8, lines ended by LF alone.
std::string reportDisplayText(std::string_view windows1250);

}
