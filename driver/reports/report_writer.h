// The periodic report laid out as the register prints it: the header, one
// section per accounting currency with a block per fiscal memory record and
// the section's totals, and the footer. Every writer returns a success flag;
// the first failure ends the report with its code in the result code.
#pragma once

#include <cstdint>
#include <string>

#include "driver/reports/records.h"
#include "driver/reports/report_lines.h"

namespace kelvo::drv::report {

// One report in the making. The section's decoded record carries the running
// totals and the printed-line counter; it is reset at every section.
struct PeriodicReport {
    explicit PeriodicReport(std::uint8_t reportKind);
    PeriodicReport(const PeriodicReport&) = delete;
    PeriodicReport& operator=(const PeriodicReport&) = delete;

    std::uint8_t kind;
    DecodedRecord section;
    ReportLines lines;
    std::string currency;  // the accounting currency of the section
};

bool writeHeader(PeriodicReport& report, const ReportRange& range);
// One currency section, then the range advanced to the next section (every
// index kNoRecord after the last one).
bool writeSection(PeriodicReport& report, ReportRange& range);
bool writeRecord(PeriodicReport& report, std::uint32_t index, ReportRange& range);
bool writeTotals(PeriodicReport& report, std::uint32_t first, std::uint32_t last, bool singleCurrency, bool lastSection);
bool writeRangePair(PeriodicReport& report, std::uint32_t first, std::uint32_t last);
bool writeFooter(PeriodicReport& report);

// The date (YYrMM.DD) and number (four digits) texts of a cached record,
// taken from its bytes without decoding it again.
std::string cachedDateText(std::uint32_t index);
std::string cachedNumberText(std::uint32_t index);

}
