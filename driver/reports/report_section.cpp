// One accounting-currency section of the report: its records, its totals,
// and the step to the next section.
#include <algorithm>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/report_writer.h"

namespace kelvo::drv::report {

namespace {

constexpr std::uint32_t kRamClearLimit = 10;

// A cached record that holds data and passed its check.
bool usable(std::uint32_t index)
{
    return isValid(index) && isPresent(index);
}

// A daily report to close a section with; on the family B registers also one
// with a damaged type byte, which they print as a damaged daily report.
bool closesSection(std::uint32_t index)
{
    return isValid(index) && isPresent(index) && (isDailyReport(index) || (isReportFamilyB() && isDamagedTypeDailyReport(index)));
}

// The last daily report before the next currency change, at the latest the
// section's first one.
bool findSectionLast(const ReportRange& range, std::uint32_t& last)
{
    last = range.rangeLast;
    if (range.nextCurrencyChange == kNoRecord)
        return true;
    last = range.sectionFirst;
    const std::uint32_t end = std::min(range.nextCurrencyChange, range.rangeLast + 1);
    for (std::uint32_t k = end; k-- > range.sectionFirst + 1;) {
        if (!readRecord(k))
            return false;
        if (closesSection(k)) {
            last = k;
            break;
        }
    }
    return true;
}

bool writeSectionRecords(PeriodicReport& report, ReportRange& range, std::uint32_t last)
{
    for (std::uint32_t k = range.sectionFirst; k <= last; ++k) {
        if (!readRecord(k))
            return false;
        if (isEmpty(k) || !isPresent(k) || (isValid(k) && isRamClear(k)))
            continue;
        if (!writeRecord(report, k, range))
            return false;
    }
    return true;
}

void endRange(ReportRange& range)
{
    const bool single = range.singleCurrency;
    range = ReportRange {};
    range.singleCurrency = single;
}

// Moves the range to the section after sectionLast: the tax-rate and
// currency records in force there, its first daily report and the next
// currency change after it.
bool advance(ReportRange& range, std::uint32_t sectionLast)
{
    if (range.nextCurrencyChange == kNoRecord || range.nextCurrencyChange >= range.rangeLast) {
        endRange(range);
        return true;
    }
    for (std::uint32_t k = sectionLast + 1; k <= range.rangeLast; ++k) {
        if (!readRecord(k))
            return false;
        if (!usable(k))
            continue;
        if (isDailyReport(k))
            break;
        if (isTaxRates(k))
            range.taxRateRecord = k;
    }
    range.currencyRecord = range.nextCurrencyChange;
    for (std::uint32_t k = range.currencyRecord + 1; k <= range.rangeLast; ++k) {
        if (!readRecord(k))
            return false;
        if (!usable(k))
            continue;
        if (isDailyReport(k)) {
            range.sectionFirst = k;
            break;
        }
        if (isCurrencyChange(k))
            range.currencyRecord = k;
    }
    range.nextCurrencyChange = kNoRecord;
    for (std::uint32_t k = range.sectionFirst + 1; k < range.rangeLast; ++k) {
        if (!readRecord(k))
            return false;
        if (usable(k) && isCurrencyChange(k)) {
            range.nextCurrencyChange = k;
            break;
        }
    }
    return true;
}

std::string letterOf(std::size_t q)
{
    return std::string(1, static_cast<char>('A' + q));
}

bool seen(const RunningTotals& t, std::size_t q, std::uint8_t bit)
{
    return (t.seen[q] & bit) != 0;
}

bool emitCountWithRule(ReportLines& lines, const std::string& label, const std::string& count)
{
    return lines.emitJustified(label, count) && lines.emitRule();
}

bool emitNotice(ReportLines& lines, std::string_view text)
{
    return lines.emitCentred(windows1250(text)) && lines.emitRule();
}

}

bool writeTotals(PeriodicReport& report, std::uint32_t first, std::uint32_t last, bool singleCurrency, bool lastSection)
{
    ReportLines& lines = report.lines;
    const RunningTotals& t = report.section.totals;
    if (!isSuccess() || !emitNotice(lines, "ŁĄCZNY RAPORT OKRESOWY"))
        return false;
    if (!singleCurrency && !lines.emitCentred("DLA WALUTY EWIDENCYJNEJ:  " + report.currency))
        return false;
    if (!writeRangePair(report, first, last))
        return false;
    for (std::size_t q = 0; q < kLetterCount; ++q)
        if (seen(t, q, seen_flag::Taxed) && !lines.emitJustified("Sprzed. opod.PTU " + letterOf(q), amountText(t.net[q])))
            return false;
    std::string exemptLetters;
    for (std::size_t q = 0; q < kLetterCount; ++q)
        if (seen(t, q, seen_flag::Exempt))
            exemptLetters += (exemptLetters.empty() ? "" : ",") + letterOf(q);
    if (!exemptLetters.empty() && !lines.emitJustified("Sprzed. zwol.PTU " + exemptLetters, amountText(t.exemptSales)))
        return false;
    for (std::size_t q = 0; q < kLetterCount; ++q) {
        const std::string changed = seen(t, q, seen_flag::RateChanged) ? "+" : "";
        if (seen(t, q, seen_flag::NonZeroRate) && !lines.emitJustified("Kwota PTU " + letterOf(q) + changed, amountText(t.tax[q])))
            return false;
    }
    if (!lines.emitJustified(windows1250("Łączna kwota PTU"), amountText(t.taxTotal))
        || !lines.emitJustified(windows1250("Łączna należność"), amountText(t.grossTotal))
        || !lines.emitJustified("Waluta ewidencyjna", report.currency)
        || !lines.emitJustified(windows1250("Ilość paragonów"), std::to_string(t.receipts)) || !lines.emitRule())
        return false;
    if (t.ramClears != 0 && !emitCountWithRule(lines, "Zerowanie RAM", std::to_string(t.ramClears)))
        return false;
    if (t.goodsChangeReports != 0 && !emitCountWithRule(lines, "Wykonano zmiany w bazie towarowej", std::to_string(t.goodsChangeReports)))
        return false;
    if (t.cancelledReceipts != 0 && !emitCountWithRule(lines, "Anulowane paragony", std::to_string(t.cancelledReceipts)))
        return false;
    if (t.damagedRecords != 0 && !emitNotice(lines, "Wystąpiły uszkodzone rekordy"))
        return false;
    std::uint32_t ramClears = 0;
    if (!ramClearCount(ramClears))
        return false;
    if (ramClears >= kRamClearLimit && !emitNotice(lines, "Przekroczono limit zerowań RAM"))
        return false;
    return singleCurrency || lastSection || lines.emitRule();
}

bool writeSection(PeriodicReport& report, ReportRange& range)
{
    if (!isSuccess())
        return false;
    resetSection(report.section);
    std::uint32_t last = kNoRecord;
    if (!currencyOf(range.currencyRecord, report.currency) || !findSectionLast(range, last))
        return false;
    if (!range.singleCurrency
        && !(report.lines.emitCentred("DLA WALUTY EWIDENCYJNEJ:  " + report.currency)
            && writeRangePair(report, range.sectionFirst, last)))
        return false;
    if (range.taxRateRecord != kNoRecord && !writeRecord(report, range.taxRateRecord, range))
        return false;
    if (!writeSectionRecords(report, range, last))
        return false;
    const bool lastSection = last == range.rangeLast;
    return writeTotals(report, range.sectionFirst, last, range.singleCurrency, lastSection) && advance(range, last);
}

}
