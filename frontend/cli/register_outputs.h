// What a run with an output folder leaves there for one register: a folder
// named after the register's unique number holding the report text as the
// driver wrote it (Windows-1250, under the name the windows give it), a UTF-8
// copy for Linux tools, the report's PDF as the windows export it and the
// accountant's figures (JSON and CSV).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "frontend/cli/child_run.h"
#include "frontend/cli/command_line.h"
#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend::cli {

// The output folder of the run: --output's (from the start folder), else the
// start folder itself; made when missing. Nothing when it cannot be used, the
// reason then told on standard error.
std::optional<std::filesystem::path> outputFolder(const CommandLine& c, const std::string& startFolder);

// The folder's name for a unique number: the number as read, a register
// without one under "bez-numeru"; never a path of several parts.
std::string registerFolderName(const std::string& uniqueNumber);

struct RegisterOutputs {
    std::vector<std::string> files;  // relative to the output folder, in the order written
    std::string totalDue;            // from the figures, as zestawienie.csv shows them
    std::string vatTotal;
    std::string problem;             // in Polish; empty when every file was written
};

// Writes the register's files from the report file in the current (working)
// folder. A report of the same name written since began (another register of
// the same run with the same unique number) is not overwritten: the first
// one stays and the problem says so.
RegisterOutputs writeRegisterOutputs(const std::string& reportFile, const Session& session, const std::filesystem::path& outputFolder,
    std::filesystem::file_time_type began);

// Tells the parent, through the child's notes, what zestawienie.csv says of
// the register: its unique number, the files written and the totals.
void noteOutputs(const RegisterOutputs& outputs, const Session& session, const Note& note);

}
