// The whole command frame, without the register: a command whose work copies
// the input's data lines to the output, run on files a harness wrote into
// the scratch folder.
#pragma once

#include <cstdint>
#include <string_view>

namespace kelvo::fuzz {

// True when the bytes hold a folder separator: a fuzzed file name must not
// lead out of the scratch folder.
bool namesAFolder(std::string_view bytes);

// Runs the frame with the argument given as the input (it may carry the
// output and parameter-list names after ';'), checks what every run must
// leave (a run report unless its name is refused, header lines that fit a
// text buffer) and aborts when it is not so; the result code.
std::uint8_t runFrame(const char* input, const char* output);

}
