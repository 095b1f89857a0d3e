// The driver writes Windows-1250; terminals and the toolkit speak UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvo::frontend {

// Bytes that are not Windows-1250 characters become U+FFFD.
std::string utf8FromWindows1250(std::string_view text);

// The way back: one byte a character; a character the code page lacks, or a
// broken UTF-8 sequence, becomes '?'.
std::string windows1250FromUtf8(std::string_view text);

// The characters of UTF-8 text, as a terminal lines them up (not its bytes).
std::size_t utf8Characters(std::string_view text);

// A report text file as the display shows it: UTF-8, lines ended by LF alone.
std::string reportDisplayText(std::string_view windows1250);

}
