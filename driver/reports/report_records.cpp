// The block of one fiscal memory record in the report.
#include "driver/files/text_helpers.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/report_writer.h"

namespace kelvo::drv::report {

namespace {

constexpr Counted kCounted = Counted::Yes;

std::string letterOf(std::size_t q)
{
    return std::string(1, static_cast<char>('A' + q));
}

bool has(std::uint8_t flags, std::uint8_t bit)
{
    return (flags & bit) != 0;
}

bool writeTaxRates(PeriodicReport& report, const DecodedRecord& r, ReportRange& range)
{
    ReportLines& lines = report.lines;
    if (!lines.emit("dn." + recordDate(r.year, r.month, r.day), kCounted))
        return false;
    bool anyLetter = false;
    for (std::size_t q = 0; q < kLetterCount; ++q) {
        const bool taxed = has(r.letterFlags[q], letter_flag::Taxed);
        if (!taxed && !has(r.letterFlags[q], letter_flag::Exempt))
            continue;
        anyLetter = true;
        const std::string lead = padded(std::string(9, ' ') + (taxed ? "PTU " : ""), 13, ' ', PadSide::Right);
        if (!lines.emit(lead + letterOf(q) + std::string(12, ' ') + rateColumnText(r, q), kCounted))
            return false;
    }
    if (!anyLetter && !lines.emit(std::string(8, ' ') + "Brak stawek podatkowych", kCounted))
        return false;
    range.taxRateRecord = r.index;
    return lines.emitRule();
}

bool writeRamClear(PeriodicReport& report, const DecodedRecord& r)
{
    ReportLines& lines = report.lines;
    return lines.emitJustified(std::string("Zerowanie RAM") + (r.marked ? "*" : " ") + "Z", "dn." + recordDate(r.year, r.month, r.day), kCounted)
        && lines.emitJustified("nr " + fourDigits(r.number), "g." + clockTime(r.hour, r.minute), kCounted) && lines.emitRule();
}

// A linked record of a daily report, decoded on its own so that nothing
// reaches the section's totals.
bool decodeLinked(std::uint32_t index, DecodedRecord& linked)
{
    resetSection(linked);
    return decodeRecord(index, linked);
}

bool writeLinkedRecords(PeriodicReport& report, const RecordCacheEntry& entry)
{
    ReportLines& lines = report.lines;
    DecodedRecord linked;
    if (entry.cumulativeLink != kNoRecord) {
        if (!lines.emitCentred(windows1250("WARTOŚCI SUMOWANE NARASTAJĄCO"), kCounted) || !decodeLinked(entry.cumulativeLink, linked))
            return false;
        for (std::size_t q = 0; q < kLetterCount; ++q)
            if (linked.tax[q] != 0 && !lines.emitJustified("Kwota PTU " + letterOf(q), amountText(linked.tax[q]), kCounted))
                return false;
        if (!lines.emitJustified(windows1250("Łączna należność"), amountText(linked.grossTotal), kCounted) || !lines.emitRule())
            return false;
    }
    if (entry.signatureLink == kNoRecord && entry.labelLink == kNoRecord)
        return true;
    if (entry.signatureLink != kNoRecord) {
        if (!decodeLinked(entry.signatureLink, linked) || !lines.emit("Podpis doby:", kCounted)
            || !lines.emit(linked.signatureText, kCounted))
            return false;
    }
    if (entry.labelLink != kNoRecord) {
        if (!decodeLinked(entry.labelLink, linked) || !lines.emit("Etykieta: " + linked.labelText, kCounted))
            return false;
    }
    return lines.emitRule();
}

// The RAM clears between the daily report printed before and this one. The
// clears are decoded with the section's totals, which count them.
bool writeRamClearsBefore(PeriodicReport& report, std::uint32_t index, ReportRange& range)
{
    const std::uint32_t previous = range.lastDailyBefore;
    range.lastDailyBefore = index;
    if (previous == kNoRecord)
        return true;
    for (std::uint32_t k = previous + 1; k < index; ++k) {
        if (!readRecord(k))
            return false;
        if (!isValid(k) || !isPresent(k) || !isRamClear(k))
            continue;
        DecodedRecord clear;
        clear.totals = std::move(report.section.totals);
        const bool decoded = decodeRecord(k, clear);
        report.section.totals = std::move(clear.totals);
        if (!decoded || !writeRamClear(report, clear))
            return false;
    }
    return true;
}

bool writeDailyReport(PeriodicReport& report, DecodedRecord& r, ReportRange& range)
{
    ReportLines& lines = report.lines;
    if (!lines.emitJustified("dn." + recordDate(r.year, r.month, r.day), "nr rap. " + fourDigits(r.number), kCounted))
        return false;
    for (std::size_t q = 0; q < kLetterCount; ++q) {
        const bool taxed = has(r.letterFlags[q], letter_flag::Taxed);
        if (!taxed && !has(r.letterFlags[q], letter_flag::Exempt))
            continue;
        const std::string label = (taxed ? "Sprzed. opod.PTU " : "Sprzed. zwol.PTU ") + letterOf(q);
        if (!lines.emitJustified(label, amountText(r.net[q]), kCounted))
            return false;
    }
    for (std::size_t q = 0; q < kLetterCount; ++q)
        if (has(r.letterFlags[q], letter_flag::NonZeroRate)
            && !lines.emitJustified("Kwota PTU " + letterOf(q), amountText(r.tax[q]), kCounted))
            return false;
    if (!lines.emitJustified(windows1250("Łączna kwota PTU"), amountText(r.taxTotal), kCounted)
        || !lines.emitJustified(windows1250("Łączna należność"), amountText(r.grossTotal), kCounted)
        || !lines.emitJustified("Waluta ewidencyjna", report.currency, kCounted) || !lines.emitRule())
        return false;

    // The linked records and RAM clears are decoded into records of their
    // own, so this report's fields stay for the lines after them.
    const DecodedRecord& daily = r;
    if (blockOneFlag() && !writeLinkedRecords(report, cachedRecord(daily.index)))
        return false;
    if (!writeRamClearsBefore(report, daily.index, range))
        return false;
    if (daily.goodsChanges != 0
        && !(lines.emitJustified("Wykonano zmiany w bazie towarowej", std::to_string(daily.goodsChanges), kCounted) && lines.emitRule()))
        return false;
    if (daily.cancelledReceipts != 0
        && !(lines.emitJustified("Anulowane paragony", std::to_string(daily.cancelledReceipts), kCounted)
            && lines.emitJustified("", amountText(daily.cancelledAmount), kCounted) && lines.emitRule()))
        return false;
    if (!lines.emitJustified(windows1250("Ilość paragonów"), std::to_string(daily.receipts), kCounted))
        return false;
    const std::string printed = fourDigits(report.section.printedLines);
    if (!lines.emitJustified(windows1250("Ilość pozycji"), printed, kCounted))
        return false;
    resetPrintedLines(report.section);
    const bool damaged = !isValid(daily.index) || daily.damagedType;
    if (damaged && !lines.emitCentred("Rekord uszkodzony", kCounted))
        return false;
    return lines.emitRule();
}

bool writeCardClosing(PeriodicReport& report, const DecodedRecord& r)
{
    ReportLines& lines = report.lines;
    return lines.emitJustified("Zamkniecie karty", recordDate(r.year, r.month, r.day)) && lines.emit("Etykieta: " + r.labelText)
        && lines.emit("Podpis karty:") && lines.emit(r.signatureText) && lines.emitRule();
}

bool printedWithTheirDailyReport(std::uint8_t type)
{
    return type == record_type::DayLabel || type == record_type::DaySignature || type == record_type::CumulativeTotals;
}

bool writeUnknownType(PeriodicReport& report, const DecodedRecord& r)
{
    if (blockOneFlag() && printedWithTheirDailyReport(r.type))
        return true;
    countDamagedRecord(report.section);
    ReportLines& lines = report.lines;
    return lines.emitJustified("dn." + recordDate(r.year, r.month, r.day), "nr rap. " + fourDigits(r.number), kCounted)
        && lines.emitCentred("Nieznany typ rekordu: " + fourDigits(r.typeByte), kCounted) && lines.emitRule();
}

}

bool writeRecord(PeriodicReport& report, std::uint32_t index, ReportRange& range)
{
    if (!isSuccess())
        return false;
    DecodedRecord& r = report.section;
    if (!decodeRecord(index, r))
        return false;
    if (isEmpty(index) || !isPresent(index))
        return true;
    const bool damaged = !isValid(index) || isDamagedTypeDailyReport(index);
    if (damaged)
        countDamagedRecord(r);
    if (!r.decoded)
        return true;
    switch (r.type) {
    case record_type::TaxRates: return writeTaxRates(report, r, range);
    case record_type::DailyReport: return writeDailyReport(report, r, range);
    case record_type::RamClear: return writeRamClear(report, r);
    case record_type::CardClosing: return writeCardClosing(report, r);
    case record_type::CurrencyChange: return true;
    default: return writeUnknownType(report, r);
    }
}

}
