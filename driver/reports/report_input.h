// The input data line of the periodic report commands: the report kind 1 to
// 8 and its range, checked and turned into the two bounds the range is
// compared by. X000028X and X000035X locate the range in the fiscal memory,
// the register-printed report commands send it to the register.
#pragma once

#include <cstdint>
#include <optional>

#include "driver/reports/records.h"

namespace kelvo::drv {

struct ReportInput {
    std::uint8_t kind = 0;
    RecordKey from;
    RecordKey to;
};

// Reads the input file's first data line; on failure the result code tells
// why (10, 11, or the code of the clock read, the memory geometry or 71).
std::optional<ReportInput> readReportInput();

}
