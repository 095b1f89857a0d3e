// Locating the daily reports that bound a periodic report, with the
// register's mode and clock checks, and linking each daily report to its
// label, signature and cumulative totals.
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/files/validators.h"
#include "driver/reports/kept_records.h"
#include "driver/reports/records.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kReadStatus = 91;
constexpr std::uint8_t kReadClock = 53;

bool fail(std::uint8_t code)
{
    failWith(code);
    return false;
}

bool usable(std::uint32_t index)
{
    return isValid(index) && isPresent(index);
}

bool endOfWrittenMemory(std::uint32_t index)
{
    return !isValid(index) && isEmpty(index);
}

std::uint16_t numberOf(std::uint32_t index)
{
    return recordKey(true, index).number;
}

// The link of daily report entry that a record of this type fills, if any.
std::uint32_t* linkFor(RecordCacheEntry& report, std::uint32_t index)
{
    if (isDayLabel(index))
        return &report.labelLink;
    if (isDaySignature(index))
        return &report.signatureLink;
    if (isCumulativeTotals(index))
        return &report.cumulativeLink;
    return nullptr;
}

// Links a label, signature or cumulative-totals record to the nearest
// earlier daily report with the same number.
void linkToEarlierReport(std::uint32_t index)
{
    const std::uint16_t number = numberOf(index);
    for (std::uint32_t j = index; j-- > 0;) {
        if (usable(j) && isDailyReport(j) && numberOf(j) == number) {
            if (std::uint32_t* link = linkFor(ctx.reports.cache[j], index))
                *link = index;
            return;
        }
    }
}

bool allLinksSet(const RecordCacheEntry& e)
{
    return e.labelLink != kNoRecord && e.signatureLink != kNoRecord && e.cumulativeLink != kNoRecord;
}

bool isLinkedType(std::uint32_t index)
{
    return isDayLabel(index) || isDaySignature(index) || isCumulativeTotals(index);
}

// Whether the month that ends with to is over: by the register clock, or
// because the memory is read-only.
bool monthEnded(const RecordKey& to)
{
    RegisterClock clock;
    if (!readRegisterClock(clock))
        return false;
    const RecordKey today = dateKey(clock.year, clock.month, clock.day);
    if (clockDateValid(clock) && compareKeys(false, to, today) == 2)
        return true;
    std::uint8_t status = 0;
    if (!readRegisterStatus(status))
        return false;
    return (status & kReadOnlyMode) != 0 || fail(condition::MonthNotEnded);
}

// The tax-rate and currency records in force and the first daily report
// of the range. Only the types and keys of the records before the range
// decide here, so kept records may answer; the records in force are read
// again when the report shows them.
bool findRangeStart(bool byNumber, const RecordKey& from, ReportRange& range)
{
    const KeptRecordsMayAnswer keptRecordsFindTheStart;
    for (std::uint32_t i = 0; i <= lastRecordIndex(); ++i) {
        if (!readRecord(i))
            return false;
        if (usable(i)) {
            if (isTaxRates(i)) {
                range.taxRateRecord = i;
            } else if (isCurrencyChange(i)) {
                range.currencyRecord = i;
            } else if (isDailyReport(i) && keyInRange(byNumber, recordKey(byNumber, i))) {
                if (compareKeys(byNumber, from, recordKey(byNumber, i)) != 1) {
                    range.sectionFirst = i;
                    break;
                }
                range.lastDailyBefore = i;
            }
        } else if (endOfWrittenMemory(i)) {
            return fail(condition::NoReports);
        }
    }
    return true;
}

}

bool readRegisterStatus(std::uint8_t& status)
{
    if (!isSuccess())
        return false;
    request(kReadStatus, 2, 0, 0);
    if (!isSuccess())
        return false;
    status = ctx.request.buffer.answer(1);
    return true;
}

bool readRegisterClock(RegisterClock& clock)
{
    if (!isSuccess())
        return false;
    request(kReadClock, 11, 0, 0);
    if (!isSuccess())
        return false;
    ExchangeBuffer& buffer = ctx.request.buffer;
    const auto pair = [&](unsigned k) {
        return static_cast<std::uint8_t>(buffer.answer(k) * 10 + buffer.answer(k + 1));
    };
    clock.year = pair(1);
    clock.month = pair(3);
    clock.day = pair(5);
    clock.hour = pair(7);
    clock.minute = pair(9);
    return true;
}

bool clockDateValid(const RegisterClock& clock)
{
    return clock.year <= 99 && clock.month >= 1 && clock.month <= 12 && clock.day >= 1
        && clock.day <= daysInMonth(clock.year, clock.month);
}

bool locateRange(std::uint8_t kind, const RecordKey& from, const RecordKey& to, ReportRange& range)
{
    if (!isSuccess())
        return false;
    range = ReportRange {};
    if (!recordGeometryReady())
        return false;
    ctx.reports.cache.assign(std::size_t {lastRecordIndex()} + 1, RecordCacheEntry {});
    const std::uint32_t last = lastRecordIndex();

    std::uint8_t status = 0;
    if (!readRegisterStatus(status))
        return false;
    if ((status & kFiscalMode) == 0)
        return fail(condition::NotFiscal);
    if (isSettlementKind(kind) && (status & kReadOnlyMode) == 0)
        return fail(condition::NotReadOnly);

    const bool byNumber = isByNumberKind(kind);
    if (!keyInRange(byNumber, from) || !keyInRange(byNumber, to) || compareKeys(byNumber, from, to) == 1)
        return fail(condition::BadRange);
    if (isMonthlyKind(kind) && !monthEnded(to))
        return false;

    // The scans below go as far as the written part of the memory.
    expectRecordsToRead(last);
    if (!findRangeStart(byNumber, from, range))
        return false;
    if (range.sectionFirst == kNoRecord || compareKeys(byNumber, to, recordKey(byNumber, range.sectionFirst)) == 2)
        return fail(condition::NoReports);

    // The last daily report of the range, the first currency change inside
    // it, and the links of the records that belong to a daily report.
    range.rangeLast = range.sectionFirst;
    for (std::uint32_t i = range.sectionFirst; i <= last; ++i) {
        if (!readRecord(i))
            return false;
        if (endOfWrittenMemory(i))
            break;
        if (!usable(i))
            continue;
        if (isCurrencyChange(i) && range.nextCurrencyChange == kNoRecord) {
            range.nextCurrencyChange = i;
        } else if (isDailyReport(i) && keyInRange(byNumber, recordKey(byNumber, i))) {
            if (compareKeys(byNumber, to, recordKey(byNumber, i)) == 2)
                break;
            range.rangeLast = i;
        } else if (blockOneFlag() && i > 0 && isLinkedType(i)) {
            linkToEarlierReport(i);
        }
    }

    // Records of the last daily report may follow the range's end.
    if (blockOneFlag() && range.rangeLast < last) {
        RecordCacheEntry& report = ctx.reports.cache[range.rangeLast];
        const std::uint16_t number = numberOf(range.rangeLast);
        for (std::uint32_t i = range.rangeLast + 1; i <= last && !allLinksSet(report); ++i) {
            if (!readRecord(i))
                return false;
            if (isEmpty(i))
                break;
            if (usable(i) && numberOf(i) == number)
                if (std::uint32_t* link = linkFor(report, i))
                    *link = i;
        }
    }

    range.singleCurrency = range.nextCurrencyChange == kNoRecord || range.rangeLast < range.nextCurrencyChange;
    return true;
}

}
