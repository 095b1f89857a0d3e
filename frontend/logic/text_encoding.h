// The driver writes Windows-1250; terminals and the toolkit speak UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kelvo::frontend {

// Bytes that are not Windows-1250 characters become U+FFFD.
std::string utf8FromWindows1250(std::string_view text);

}
