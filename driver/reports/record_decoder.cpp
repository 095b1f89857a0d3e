// Decoding a fiscal memory record into report fields, and the running
// totals of a currency section. Money and counts stay numbers; the report
// writers make their texts as they write the lines.
#include <algorithm>
#include <cstdio>

#include "driver/core/context.h"
#include "driver/reports/records.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kExemptRate = 0x40;
constexpr std::uint8_t kUnusedRate = 0x80;
constexpr std::size_t kSignatureBytes = 20;
constexpr std::size_t kLabelLength = 30;

std::uint32_t word(const RecordCacheEntry& e, std::size_t k)
{
    return e.body[k] | (std::uint32_t {e.body[k + 1]} << 8);
}

std::uint64_t plainAmount(const RecordCacheEntry& e, std::size_t k)
{
    std::uint64_t value = 0;
    for (std::size_t j = 5; j-- > 0;)
        value = value * 256 + e.body[k + j];
    return value;
}

// Characters from body position k up to the first zero byte, at most count.
std::string bodyText(const RecordCacheEntry& e, std::size_t k, std::size_t count)
{
    std::string text;
    for (std::size_t j = 0; j < count && e.body[k + j] != 0; ++j)
        text += static_cast<char>(e.body[k + j]);
    return text;
}

std::string signatureOf(const RecordCacheEntry& e)
{
    std::string text;
    for (std::size_t j = 0; j < kSignatureBytes; ++j) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", e.body[10 + j]);
        text += hex;
    }
    return text;
}

// Adds a letter of a daily report to the row of its rate: a letter whose
// rate changed within the section has a row for each rate.
void addToRateRow(std::vector<RateFigures>& rows, std::uint8_t letter, bool exempt, std::uint16_t rate, std::uint64_t net, std::uint64_t tax)
{
    auto row = std::find_if(rows.begin(), rows.end(), [&](const RateFigures& f) {
        return f.letter == letter && f.exempt == exempt && f.rate == rate;
    });
    if (row == rows.end()) {
        const auto after = std::find_if(rows.begin(), rows.end(), [letter](const RateFigures& f) { return f.letter > letter; });
        row = rows.insert(after, RateFigures {letter, exempt, rate, 0, 0});
    }
    row->net += net;
    row->tax += tax;
}

void resetMoneyPart(DecodedRecord& r)
{
    r.net = {};
    r.tax = {};
    r.exemptTotal = r.taxTotal = r.grossTotal = 0;
    r.receipts = r.goodsChanges = r.cancelledReceipts = 0;
    r.cancelledAmount = 0;
}

void decodeTime(const RecordCacheEntry& e, DecodedRecord& r)
{
    r.hour = static_cast<std::uint8_t>(e.body[6] * 10 + e.body[7]);
    r.minute = static_cast<std::uint8_t>(e.body[8] * 10 + e.body[9]);
}

void decodeTaxRates(const RecordCacheEntry& e, DecodedRecord& r)
{
    r.rate = {};
    r.letterFlags = {};
    RunningTotals& t = r.totals;
    for (std::size_t q = 0; q < kLetterCount; ++q) {
        const std::uint8_t high = e.body[6 + 2 * q];
        if (high == kExemptRate) {
            r.letterFlags[q] |= letter_flag::Exempt;
            t.seen[q] |= seen_flag::Exempt;
        } else if (high != kUnusedRate) {
            const auto rate = static_cast<std::uint16_t>(high * 256 + e.body[7 + 2 * q]);
            r.rate[q] = rate;
            r.letterFlags[q] |= letter_flag::Taxed;
            t.seen[q] |= seen_flag::Taxed;
            if (rate != 0) {
                r.letterFlags[q] |= letter_flag::NonZeroRate;
                t.seen[q] |= seen_flag::NonZeroRate;
            }
            if ((t.seen[q] & seen_flag::RateSeen) != 0 && rate != t.lastRate[q])
                t.seen[q] |= seen_flag::RateChanged;
            t.lastRate[q] = rate;
            t.seen[q] |= seen_flag::RateSeen;
        }
    }
}

void decodeDailyReport(const RecordCacheEntry& e, DecodedRecord& r)
{
    resetMoneyPart(r);
    for (std::size_t q = 0; q < kLetterCount; ++q) {
        const bool exempt = (r.letterFlags[q] & letter_flag::Exempt) != 0;
        const bool taxed = (r.letterFlags[q] & letter_flag::Taxed) != 0;
        if (!exempt && !taxed)
            continue;
        const std::uint64_t gross = invertedAmount(&e.body[6 + 5 * q]);
        const std::uint64_t tax = taxed ? taxOfGross(gross, r.rate[q]) : 0;
        r.tax[q] = tax;
        r.net[q] = gross - tax;
        r.taxTotal += tax;
        if (exempt)
            r.exemptTotal += r.net[q];
        r.grossTotal += r.net[q] + tax;
    }
    r.receipts = word(e, 41);
    if (isReportFamilyB()) {
        r.goodsChanges = word(e, 43);
        r.cancelledReceipts = word(e, 45);
        r.cancelledAmount = plainAmount(e, 47);
    } else {
        r.goodsChanges = word(e, 43) | (std::uint32_t {e.body[45]} << 16);
        r.cancelledReceipts = word(e, 46);
        r.cancelledAmount = plainAmount(e, 48);
    }
    accumulateTotals(r);
}

void decodeCumulativeTotals(const RecordCacheEntry& e, DecodedRecord& r)
{
    resetMoneyPart(r);
    for (std::size_t q = 0; q < kLetterCount; ++q)
        r.tax[q] = invertedAmount(&e.body[10 + 5 * q]);
    r.grossTotal = invertedAmount(&e.body[45]);
}

}

void resetRecordPart(DecodedRecord& r)
{
    r.decoded = false;
    r.index = kNoRecord;
    r.type = r.typeByte = 0;
    r.year = r.month = r.day = 0;
    r.number = 0;
    r.hour = r.minute = 0;
    r.currencyText.clear();
    r.marked = false;
    r.damagedType = false;
    r.signatureText.clear();
    r.labelText.clear();
}

void resetSection(DecodedRecord& r)
{
    r = DecodedRecord {};
}

void countDamagedRecord(DecodedRecord& r)
{
    ++r.totals.damagedRecords;
}

void countPrintedLine(DecodedRecord& r)
{
    ++r.printedLines;
}

void resetPrintedLines(DecodedRecord& r)
{
    r.printedLines = 0;
}

void accumulateTotals(DecodedRecord& r)
{
    RunningTotals& t = r.totals;
    for (std::size_t q = 0; q < kLetterCount; ++q) {
        const bool exempt = (r.letterFlags[q] & letter_flag::Exempt) != 0;
        if (!exempt)
            t.net[q] += r.net[q];
        t.tax[q] += r.tax[q];
        if (exempt || (r.letterFlags[q] & letter_flag::Taxed) != 0)
            addToRateRow(t.byRate, static_cast<std::uint8_t>(q), exempt, r.rate[q], r.net[q], r.tax[q]);
    }
    t.exemptSales += r.exemptTotal;
    t.taxTotal += r.taxTotal;
    t.grossTotal += r.grossTotal;
    t.receipts += r.receipts;
    t.cancelledReceipts += r.cancelledReceipts;
    t.cancelledAmount += r.cancelledAmount;
    if (r.goodsChanges != 0)
        ++t.goodsChangeReports;
}

bool decodeRecord(std::uint32_t index, DecodedRecord& r)
{
    r.decoded = false;
    if (!readRecord(index))
        return false;
    if (isEmpty(index) || !isPresent(index))
        return true;
    if (!isValid(index) && !isReportFamilyB())
        return true;

    const RecordCacheEntry& e = cachedRecord(index);
    resetRecordPart(r);
    r.decoded = true;
    r.index = index;
    r.typeByte = e.type;
    r.type = static_cast<std::uint8_t>(e.type & 0x3F);
    if (isDamagedTypeDailyReport(index)) {
        r.type = record_type::DailyReport;
        r.damagedType = true;
    }
    r.year = bcdValue(e.body[1]);
    r.month = bcdValue(e.body[2]);
    r.day = bcdValue(e.body[3]);
    r.number = static_cast<std::uint16_t>(word(e, 4));

    switch (r.type) {
    case record_type::CurrencyChange:
        decodeTime(e, r);
        r.currencyText = isReportFamilyB() ? bodyText(e, 12, 3) : bodyText(e, 56, 3);
        break;
    case record_type::RamClear:
        decodeTime(e, r);
        r.marked = (e.status & 0x40) == 0;
        ++r.totals.ramClears;
        break;
    case record_type::TaxRates:
        decodeTaxRates(e, r);
        break;
    case record_type::DailyReport:
        decodeDailyReport(e, r);
        break;
    case record_type::CumulativeTotals:
        decodeCumulativeTotals(e, r);
        break;
    case record_type::DaySignature:
        r.signatureText = signatureOf(e);
        break;
    case record_type::DayLabel:
        r.labelText = bodyText(e, 10, kLabelLength);
        break;
    case record_type::CardClosing:
        r.signatureText = signatureOf(e);
        r.labelText = bodyText(e, 30, kLabelLength);
        break;
    default:
        break;
    }
    return true;
}

}
