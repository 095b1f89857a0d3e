// Long fiscal histories made up from a seed: a daily report for every
// working day, tax-rate changes, RAM clears, and on the newer registers a
// day signature after each report, until the years are done or the memory
// is full.
#pragma once

#include "simulator/scenario.h"

#include <cstdint>
#include <optional>

namespace kelvo::sim {

struct GeneratorOptions {
    unsigned years = 1;
    std::uint64_t seed = 1;
    Date start{2010, 1, 4};
    std::size_t capacity = 2060;  // records that fit the memory
    bool daySignatures = false;
    std::optional<Date> end;  // the first day after the history; unset: `years` after start
};

std::vector<Record> generateHistory(const GeneratorOptions& options);

// The scenario with a generated history: its records are replaced, its
// clock set to the day after the last record, and with `records` above the
// standard count a geometry large enough for them. Given `today`, the history
// instead ends with the month before today's, so that "the previous month"
// has daily reports: it covers the `years` years before, or fewer where the
// memory would be full earlier; the clock is left to the host's local time.
void generateInto(Scenario& scenario, unsigned years, std::uint64_t seed, std::optional<std::uint16_t> records,
    std::optional<Date> today = std::nullopt);

}
