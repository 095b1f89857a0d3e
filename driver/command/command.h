// The frame every driver command runs in: reset, names, switches,
// initialisation, the exchange prelude, the command's own work, finish.
#pragma once

#include <cstdint>
#include <string_view>

#include "driver/core/context.h"

namespace kelvo::drv {

using CommandBody = void (*)();

struct CommandDefinition {
    std::string_view name;
    CommandSwitches switches;
    CommandBody body;  // runs after a successful prelude
};

// Runs one command; output is ignored for commands without an output file.
// Nothing thrown inside crosses it: an exception ends the command with 77.
std::uint8_t runCommand(const CommandDefinition& command, const char* input, const char* output) noexcept;

// The parameter-list file's slot: 3, or 2 for commands without an output file.
const std::string& parameterListName();

// Initialisation: the ';'-split of the first argument, the parameter-list
// file, the paths and the reserved names.
void initialise();

// The prelude: name check, file opens, announce, input header and
// configuration, link.
void runExchangeFrame();

// Always runs: closes files, writes the result line, the run report and
// trace copies, closes the link.
void finish();

}
