// The service company's list of registers: kasy.txt in the user's
// configuration folder, one configuration line per register in KONFIG.TXT's
// form (register number, port, time-out, then the identifier and the link's
// settings, separated by TABs), with blank lines and comment lines (';' or
// '#') between them. Only --add-register writes it; no reading run does.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "frontend/cli/link_setting.h"

namespace kelvo::frontend::cli {

// The list's lines, or the first mistake in it, named with the file, the
// line and what is wrong, in Polish.
struct RegisterList {
    std::vector<WrittenLine> lines;
    std::string problem;
};

// The list kept in the user's configuration folder; empty when neither
// $XDG_CONFIG_HOME nor $HOME is set.
std::string registerListFile();

// Reads and checks the list (a missing file is named as such).
RegisterList readRegisterList(const std::string& path);

// The register number of a configuration line: field 1 without its '$'.
std::string registerNumberOf(const WrittenLine& line);

// Appends the configuration line to the list, creating the list (and its
// folder) when missing; refuses a line whose register number the list already
// has. Empty when done, else the reason in Polish.
std::string addRegister(const std::string& path, const WrittenLine& line);

}
