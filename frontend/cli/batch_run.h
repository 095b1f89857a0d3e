// kelvor-cli --all: the report of every register of the register list, each
// register through the single-register road in a child process and a working
// folder of its own (the driver's files are per folder). Registers on
// different lines are read at the same time, registers sharing a line (one
// serial device, or one TCP host and port) one after another. Each register's
// outputs go into its folder in the output folder, zestawienie.csv beside
// them; a table of the results ends the run.
#pragma once

#include <string>

#include "frontend/cli/command_line.h"
#include "frontend/cli/link_setting.h"
#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend::cli {

inline constexpr std::size_t kMostRegisterLines = 99;

// What two register lines share when they share a line: the serial device, or the TCP host and port.
std::string lineOf(const WrittenLine& line);

// Runs the batch from the locked working folder (the current folder); the exit status.
int runBatch(const CommandLine& c, const Session& session, const std::string& folder);

}
