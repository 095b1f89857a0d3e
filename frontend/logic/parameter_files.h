// The driver's parameter files as the front end writes them before a driver
// command (KONFIG.TXT, IN1, IN), and what it reads back from the commands'
// output files. All of them live in the working folder, the current folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend {

std::string configurationLine(const ParameterRecord& record, std::uint8_t registerNumber);
std::string reportLine(const ParameterRecord& record);

// Writes KONFIG.TXT, IN1 and IN anew, in that order; a file that cannot be
// created is skipped (the driver command then fails on its own).
void writeParameterFiles(const ParameterRecord& record, std::uint8_t registerNumber);

// The register number from the output of the register number command: field
// 1 of its first data line, when it is a byte no greater than 99.
std::optional<std::uint8_t> registerNumberFromOutput(const std::string& path);

// The first count lines of a text file, each cut to 99 characters.
std::vector<std::string> plainLines(const std::string& path, std::size_t count);

}
