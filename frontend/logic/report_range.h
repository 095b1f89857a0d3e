// The report range window's choices, their defaults, and what "&Dalej" makes
// of them: the record's report fields, the report's title and file name, and
// the run of the report command.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "frontend/logic/driver_call.h"
#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend {

// The ranges the range window offers: years of a month, report numbers.
inline constexpr int kFirstYear = 2001;
inline constexpr int kLastYear = 2100;
inline constexpr int kHighestReportNumber = 2060;

struct Date {
    int year = 2000;
    int month = 1;
    int day = 1;
};

struct RangeChoice {
    int kind = 1;             // the selected report kind, 1 to 8; 0 for none
    int variant = 0;          // 0 detailed, 1 short
    int monthItem = 0;        // month - 1
    int year = 2001;
    Date from, to;            // kind 2
    Date settlementFrom, settlementTo;  // kind 6
    int numberFrom = 1, numberTo = 1;   // kind 3
    int settlementNumberFrom = 1, settlementNumberTo = 1;  // kind 7
};

// The window's state when the program starts on the given day: the previous
// month, and today in every date picker.
RangeChoice defaultRange(Date today);

struct ReportNames {
    std::string title;     // UTF-8, for the status line and the printed header
    std::string fileName;  // in the working folder
};

// Stores the chosen kind and range in the record and names the report.
ReportNames takeRange(const RangeChoice& choice, ParameterRecord& record, const std::string& uniqueNumber);

struct ReportRun {
    ReportNames names;
    std::uint8_t code = 0;  // the report command's result
    std::string keptRecordsNote;  // what the driver did with the kept records, when it says anything
};

struct ReportSteps {
    // Told the report's names once the parameter files are written, just
    // before the report command starts.
    std::function<void(const ReportNames&)> starting = [](const ReportNames&) { };
    CommandRunner runCommand = runHere;
};

// Writes the parameter files and runs the report command; a failed report
// leaves neither its file nor the input file behind.
ReportRun runReport(Session& session, const RangeChoice& choice, const ReportSteps& steps = {});

// Removes the kept fiscal memory records of the connected register; the
// driver's result code.
std::uint8_t forgetKeptRecords(Session& session, const ReportSteps& steps = {});

// What the last driver command did with the kept records (what was
// dropped, ignored or removed, and why), in UTF-8; empty when nothing.
std::string keptRecordsNote();

}
