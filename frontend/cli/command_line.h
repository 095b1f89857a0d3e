// kelvor-cli's command line: options in one table, each with the words it
// takes and what it allows, and the report kind with its range. Every
// mistake is named with what is allowed, in Polish.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "frontend/logic/report_range.h"

namespace kelvo::frontend::cli {

struct TcpAddress {
    std::string host;
    int port = 0;
};

struct CommandLine {
    std::optional<int> port, speed, mux, channel;
    std::optional<TcpAddress> tcp;
    bool converter = false;
    std::optional<std::string> converterId;
    std::optional<int> timeout, repeats;
    std::optional<std::string> save, trace;
    std::optional<std::string> device;  // the device the run's COM port is mapped to
    bool showFolder = false;
    bool detect = false;  // the register searched for among the serial devices
    bool all = false;  // every register of the register list
    std::optional<std::string> registers;  // another register list than the user's kasy.txt
    bool addRegister = false;  // the run's connection appended to the register list once it answered
    std::optional<std::string> output;  // the folder of the per-register outputs
    bool noCache = false;      // read every record from the register
    bool forgetCache = false;  // delete the register's kept records first
    RangeChoice range;         // kind 0: no report (only with forgetCache or detect)

    // True when an option names the link, so that the last one is not kept as written.
    bool changesLink() const { return port || speed || mux || channel || tcp || converter || detect; }
};

// What the command line asks for: a run, the help, the version, or a mistake.
struct Help { };
struct Version { };
struct ListPorts { };
struct ListArchive {
    std::string unique;  // empty: every register's reports
};
struct UsageError {
    std::string message;
};
using Request = std::variant<CommandLine, Help, Version, ListPorts, ListArchive, UsageError>;

Request parseCommandLine(const std::vector<std::string>& arguments);

// The help text for standard output, in Polish.
std::string helpText();

}
