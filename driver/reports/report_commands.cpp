#include "driver/reports/report_commands.h"

#include <optional>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/kept_records.h"
#include "driver/reports/report_input.h"
#include "driver/reports/report_writer.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kFamilyBLowestVersion = 101;

void writePeriodicReport()
{
    const std::optional<ReportInput> input = readReportInput();
    ReportRange& range = ctx.reports.range;
    if (!input || !locateRange(input->kind, input->from, input->to, range))
        return;
    report::PeriodicReport report(input->kind);
    if (!report::writeHeader(report, range))
        return;
    while (range.sectionFirst != kNoRecord)
        if (!report::writeSection(report, range))
            return;
    report::writeFooter(report);
}

void periodicReport(bool acceptedModel)
{
    if (!acceptedModel) {
        storeCondition(condition::WrongDevice);
        return;
    }
    writePeriodicReport();
    saveKeptRecords();
}

}

void periodicReportBody()
{
    periodicReport(isReportFamilyA());
}

void periodicReportFamilyBBody()
{
    periodicReport(isReportFamilyB() && ctx.device.version.value >= kFamilyBLowestVersion);
}

}
