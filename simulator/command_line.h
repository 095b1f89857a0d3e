// kelvosim's command line.
#pragma once

#include "simulator/faults.h"
#include "simulator/listener.h"

#include <optional>
#include <string>
#include <vector>

namespace kelvo::sim {

struct CommandLine {
    ListenerOptions listener;
    std::optional<std::string> scenarioPath;
    std::optional<std::uint8_t> model;
    std::optional<unsigned> generateYears;
    std::uint64_t seed = 1;
    bool recent = false;
    std::optional<std::uint16_t> records;
    std::optional<std::string> saveScenario;
    bool converter = false;
    std::vector<Fault> faults;
    std::optional<std::string> logPath;
    bool help = false;
};

// Throws std::invalid_argument with a message for the user.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

extern const char* const usageText;

}
