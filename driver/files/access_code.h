// The settlement access code that the register-printed settlement reports
// send: four bytes, each the sum (modulo 256) of a pair of stored bytes. The
// eight stored bytes come from the user's configuration file
// $XDG_CONFIG_HOME/kelvor/access-code.conf (else ~/.config/kelvor/...): one
// line of eight byte numbers separated by blanks, the first two making the
// first code byte; blank lines and lines starting with '#' are ignored.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kelvo::drv {

using AccessCode = std::array<std::uint8_t, 4>;

std::string accessCodeFile();

// The code; without the file or its line the result code becomes 13, with a
// line that is not eight byte numbers 16.
std::optional<AccessCode> settlementAccessCode();

}
