// The road of one register, in the working folder: the connection through
// the last configuration line (or the options), the report command, and the
// outcome handed to what the run does with it. The driver's work runs in a
// child process, which tells its parent how far it came through notes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "frontend/cli/child_run.h"
#include "frontend/cli/command_line.h"
#include "frontend/logic/parameter_record.h"
#include "frontend/logic/read_progress.h"

namespace kelvo::frontend::cli {

inline constexpr int kOwnFailure = 1;  // a failure of kelvor-cli's own, not of the driver
inline constexpr char kConnectedNote[] = "connected";  // the child's note once the register answered

// What a run does with the outcome.
struct ReportOutlet {
    // The failure's message, in Polish.
    std::function<void(const std::string& message)> failed;
    // The report file the driver wrote in the working folder; gives the exit status.
    std::function<int(const std::string& reportFile)> finished;
    // Autodetection's lines: each try and each device skipped, and (with no
    // report to read) what it found.
    std::function<void(const std::string& line)> searching;
    std::function<void(const std::string& line)> found;
    // What the driver did with the kept records, when there is something to say.
    std::function<void(const std::string& line)> keptRecordsNote;
    // While the report command runs, every 200 ms and once more (last) when it has returned.
    std::function<void(const ReadProgress& progress, std::int64_t seconds, bool last)> progress;
};

// The connection and the report; the exit status (the driver's code on its failure).
int readReport(const CommandLine& c, Session& session, const Note& note, const ReportOutlet& outlet);

// After an interrupt or a crash of the child, in its working folder: the
// report file it had begun goes, and the folder is swept as at a normal end.
// True when the child had connected.
bool tidyAfter(const ChildEnd& end);

// Copies the report as the driver wrote it, replacing the target whole or not
// at all; the reason in Polish when it cannot be made.
std::optional<std::string> saveReport(const std::string& report, const std::filesystem::path& target);

// A file's bytes as they stand; empty when it cannot be read.
std::string fileText(const std::string& path);

// The signal's name, such as "SIGINT" or "SIGKILL".
std::string signalName(int signal);

// What happened to a child that died of a signal the user did not send.
std::string childDeathText(int signal);

}
