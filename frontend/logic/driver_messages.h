// The text the front end shows for a driver result code.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::frontend {

// "BŁĄD NUMER " and the code, followed by the code's description where the
// front end has one (the description begins with ": ").
std::string driverErrorMessage(std::uint8_t code);

// The description alone, empty for a code that has none.
std::string driverErrorDescription(std::uint8_t code);

}
