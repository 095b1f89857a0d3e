// Whether a report can be saved under a name, asked before the register is
// read, so that a mistyped folder does not cost a whole read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kelvo::frontend {

// Why a file cannot be written at target, in Polish: its folder is missing,
// is not a folder or may not be written in, or the target is a folder.
// Nothing when it can be written as far as can be told without writing.
std::optional<std::string> saveTargetProblem(const std::filesystem::path& target);

}
