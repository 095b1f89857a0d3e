// Bounded texts: the driver's texts live in 1024-byte buffers (at most 1023
// characters and a NUL). These helpers are the one place where caller
// buffers are read and written, so no exported function overruns them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvo::drv {

inline constexpr std::size_t kTextBufferSize = 1024;
inline constexpr std::size_t kMaxTextLength = kTextBufferSize - 1;

// The text in a caller's buffer, never reading past its NUL or the buffer.
std::string_view bufferText(const char* text);

// Stores a text in a caller's buffer, cut to 1023 characters, NUL-terminated.
void storeText(char* buffer, std::string_view text);

// A text cut to the 1023 characters a text buffer holds.
std::string boundedText(std::string text);

// Byte-wise upper-casing through the C runtime's mapping (a to z in the C locale).
std::string upperCased(std::string_view text);

}
