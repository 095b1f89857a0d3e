#include "driver/reports/report_commands.h"

#include <optional>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/files/textfile.h"
#include "driver/reports/kept_records.h"
#include "driver/reports/report_figures.h"
#include "driver/reports/report_input.h"
#include "driver/reports/report_writer.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kFamilyBLowestVersion = 101;

void writeReportOf(const ReportInput& input)
{
    ReportRange& range = ctx.reports.range;
    if (!locateRange(input.kind, input.from, input.to, range))
        return;
    ReportFigures& figures = ctx.reports.figures;
    figures = report::figuresOfRange(input.kind, range);
    report::PeriodicReport report(input.kind);
    if (!report::writeHeader(report, range))
        return;
    while (range.sectionFirst != kNoRecord) {
        if (!report::writeSection(report, range))
            return;
        report::addSectionFigures(figures, report);
    }
    if (report::writeFooter(report))
        report::completeFigures(figures);
}

// Where the report's reading starts, to start it again from there.
struct ReadingStart {
    Outcome outcome;
    Counters counters;
    std::int64_t outputPosition;
};

ReadingStart readingStart()
{
    return {ctx.outcome, ctx.counters, filePosition(ctx.files.output)};
}

// Puts the command back where its reading started: result, counters, the
// report lines written so far and the progress.
void startReadingAgain(const ReadingStart& start)
{
    ctx.outcome = start.outcome;
    ctx.counters = start.counters;
    ctx.reports.recordsRead = 0;
    ctx.reports.highestToRead = 0;
    if (!cutFileAt(ctx.files.output, start.outputPosition))
        storeCondition(condition::OutputWrite);
}

// The report, read once more without kept records when one of them turned
// out to differ from the register: its lines and code are then exactly
// those of a command that never had kept records.
void writePeriodicReport()
{
    const std::optional<ReportInput> input = readReportInput();
    if (!input)
        return;
    const ReadingStart start = readingStart();
    writeReportOf(*input);
    if (!keptRecordsDropped())
        return;
    startReadingAgain(start);
    writeReportOf(*input);
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

void keepReportFigures(std::uint8_t resultCode)
{
    ctx.lastReportFigures.reset();
    if (resultCode == condition::Success && ctx.reports.figures.complete)
        ctx.lastReportFigures = std::move(ctx.reports.figures);
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
