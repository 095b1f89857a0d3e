// The accountant's figures of a periodic report: per currency section and
// per tax rate the net, tax and gross that the report's lines sum, with the
// JPK_V7 fields they go to in an "RO" document. They are gathered from the
// decoded records while the report is laid out and kept for the caller
// after a periodic report command succeeds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/reports/report_writer.h"

namespace kelvo::drv::report {

// The figures of the range just located: kind, range pair; the sections and
// the register's unique number and NIP follow as the report is written.
ReportFigures figuresOfRange(std::uint8_t kind, const ReportRange& range);
// The section just written (its totals are still in the report).
void addSectionFigures(ReportFigures& figures, const PeriodicReport& report);
// The register's unique number and the NIP of its header lines, once the footer is written.
void completeFigures(ReportFigures& figures);

// The NIP a header line prints after "NIP", empty when the line has none.
std::string nipOfHeaderLine(std::string_view line);

// The JPK_V7 fields of an "RO" document for a rate: the net's and the tax's,
// each empty when the rate has none.
struct JpkFields {
    std::string net;
    std::string tax;
};
JpkFields jpkFieldsOf(bool exempt, std::uint16_t rate);

// The figures as UTF-8 JSON text.
std::string figuresJson(const ReportFigures& figures);

// Writes the figures of the last periodic report command to path through
// the safe replace; 0, or the result code: no report made, no name, or the
// file not written.
std::uint8_t writeLastReportFigures(std::string_view path);

}
