// The report's header with its range, and its footer.
#include <cstdio>

#include "driver/reports/header_lines.h"
#include "driver/device/identity_readers.h"
#include "driver/files/codepage.h"
#include "driver/files/text_helpers.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/report_writer.h"

namespace kelvo::drv::report {

namespace {

constexpr std::size_t kFamilyBWidth = 40;
// Bit 2 of the header copy's flag byte stays set until the memory becomes read-only.
constexpr std::uint8_t kCopyWritable = 0x04;

std::size_t reportWidth()
{
    return isReportFamilyB() ? kFamilyBWidth : ctx.device.lineWidth.value;
}

bool writeHeaderLines(PeriodicReport& report)
{
    if (!readHeaderLines())
        return false;
    for (const HeaderLine& line : ctx.device.headerLines) {
        std::string text = line.text;
        convertCodePage(text, kRowCp852, kRowWindows1250);
        if (!(isReportFamilyB() ? report.lines.emitCentred(text) : report.lines.emit(text)))
            return false;
    }
    return true;
}

// The date and time at which the fiscal memory became read-only.
bool writeReadOnlyTransition(PeriodicReport& report)
{
    if (!report.lines.emitCentred(windows1250("DATA PRZEJŚCIA W TRYB TYLKO ODCZYT")) || !readHeaderCopy())
        return false;
    if ((headerCopyByte(kHeaderCopyFlags) & kCopyWritable) != 0) {
        failWith(condition::NotReadOnly);
        return false;
    }
    const auto pair = [](std::size_t at) {
        return headerCopyByte(kHeaderCopyTransition + at) * 10u + headerCopyByte(kHeaderCopyTransition + at + 1);
    };
    return report.lines.emitJustified(recordDate(pair(0), pair(2), pair(4)), "g." + clockTime(pair(6), pair(8)));
}

std::string kindLine(std::uint8_t kind, std::uint32_t firstReport, std::size_t width)
{
    if (isSettlementKind(kind))
        return centre(spaced("ROZLICZENIOWY"), width);
    if (!isMonthlyKind(kind))
        return centre(spaced("OKRESOWY"), width);
    const RecordCacheEntry& first = cachedRecord(firstReport);
    std::string year = spaced(decimalText(2000u + bcdValue(first.body[1])));
    year.pop_back();
    return windows1250("M I E S I Ę C Z N Y  Z A   ") + spaced(twoDigits(bcdValue(first.body[2]))) + ". " + year;
}

}

PeriodicReport::PeriodicReport(std::uint8_t reportKind) : kind(reportKind), lines(reportWidth(), section)
{
    resetSection(section);
}

std::string cachedDateText(std::uint32_t index)
{
    const RecordCacheEntry& e = cachedRecord(index);
    return recordDate(bcdValue(e.body[1]), bcdValue(e.body[2]), bcdValue(e.body[3]));
}

std::string cachedNumberText(std::uint32_t index)
{
    const RecordCacheEntry& e = cachedRecord(index);
    return fourDigits(e.body[4] + 256u * e.body[5]);
}

bool writeRangePair(PeriodicReport& report, std::uint32_t first, std::uint32_t last)
{
    ReportLines& lines = report.lines;
    return lines.emitJustified("od dn." + cachedDateText(first), "do dn." + cachedDateText(last))
        && lines.emitJustified("nr rap. " + cachedNumberText(first), "nr rap. " + cachedNumberText(last))
        && lines.emitRule();
}

bool writeHeader(PeriodicReport& report, const ReportRange& range)
{
    if (!isSuccess() || !writeHeaderLines(report))
        return false;
    RegisterClock clock;
    if (!readRegisterClock(clock) || !report.lines.emit("dn." + recordDate(clock.year, clock.month, clock.day)))
        return false;
    if (isSettlementKind(report.kind) && !writeReadOnlyTransition(report))
        return false;
    ReportLines& lines = report.lines;
    if (!lines.emitCentred(spaced("RAPORT  FISKALNY")) || !lines.emit(kindLine(report.kind, range.sectionFirst, lines.width())))
        return false;
    const bool currencyLines = range.singleCurrency
        ? lines.emitRule()
        : lines.emitCentred(windows1250("ZAWIERA OKRESY W RÓŻNYCH")) && lines.emitCentred("WALUTACH EWIDENCYJNYCH");
    return currencyLines && writeRangePair(report, range.sectionFirst, range.rangeLast);
}

bool writeFooter(PeriodicReport& report)
{
    if (!isSuccess() || !readRegisterNumber() || !readUniqueNumber())
        return false;
    RegisterClock clock;
    if (!readRegisterClock(clock))
        return false;
    ReportLines& lines = report.lines;
    const std::string number = padded(ctx.device.registerNumber.value, 2, '0', PadSide::Left);
    return lines.emitJustified("#" + number + "00", clockTime(clock.hour, clock.minute))
        && lines.emitCentred(ctx.device.uniqueNumber.value) && lines.emitRule()
        && lines.emitCentred(windows1250("Ilość pozycji w raportach dobowych"))
        && lines.emitCentred(windows1250("wyliczono na bieżąco")) && lines.emitRule();
}

}
