// The text the front end shows for a driver result code.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::frontend {

// The result codes the front ends act on themselves.
inline constexpr std::uint8_t kSendTimeout = 20;
inline constexpr std::uint8_t kReceiveTimeout = 21;
inline constexpr std::uint8_t kPortNotOpened = 62;
inline constexpr std::uint8_t kSocketTimeout = 64;
inline constexpr std::uint8_t kSocketFailure = 65;
inline constexpr std::uint8_t kUnknownHost = 67;

// "BŁĄD NUMER " and the code, followed by the code's description where the
// front end has one (the description begins with ": ").
std::string driverErrorMessage(std::uint8_t code);

// The description alone, empty for a code that has none.
std::string driverErrorDescription(std::uint8_t code);

}
