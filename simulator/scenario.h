// A scenario: which register the simulator plays and what its fiscal memory
// holds. The file format is JSON and is described in simulator/scenarios/README.md.
#pragma once

#include "simulator/faults.h"
#include "simulator/fiscal_memory.h"
#include "simulator/printed_reports.h"
#include "simulator/records.h"

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::sim {

struct HeaderLine {
    std::string text;
    bool doubleWidth = false;
};

struct Scenario {
    std::uint8_t deviceCode = 121;
    std::optional<std::uint8_t> version;
    std::optional<char> versionLetter;
    std::string uniqueNumber;          // empty: derived from the device code
    std::string registerNumber = "01";
    std::optional<DateTime> clock;     // empty: the host's local time
    bool fiscal = true;
    bool readOnly = false;
    std::optional<std::uint16_t> pluCapacity;
    std::vector<HeaderLine> header;
    bool headerRequest = true;         // false: request 157 answers "not supported"
    HeaderCopy headerCopy;
    std::optional<Geometry> geometry;  // only for models that report it in information block 0
    std::map<std::uint8_t, std::uint8_t> statusBytes;  // answers of requests 84 to 87 and 83
    std::vector<Record> records;
    std::vector<Fault> faults;
    std::uint16_t registerError = 0x0001;  // what the error fetch (command 29) reports after a status fault
    std::vector<PrintedReport> printedReports;       // the registers that print the report themselves
    std::optional<AccessPairs> settlementPairs;      // empty: any settlement access code is taken
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Scenario parseScenario(std::string_view json);
Scenario loadScenario(const std::string& path);
std::string scenarioToJson(const Scenario& scenario);

}
