// Reading fiscal memory records with request 154: the answer put back in
// order, the check value of either layout, the ten-attempt rule and the
// record cache of the command.
#include "driver/device/identity_readers.h"
#include "driver/core/context.h"
#include "driver/core/notify.h"
#include "driver/core/result_codes.h"
#include "driver/reports/kept_records.h"
#include "driver/reports/records.h"
#include "driver/transport/crc16.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kReadRecord = 154;
constexpr int kAttempts = 10;
// The shortest record that holds a status, a type and a two-byte check value.
constexpr std::uint8_t kShortestRecord = 4;

// The stored and the computed check value of one answer.
struct CheckPair {
    std::uint16_t stored = 0;
    std::uint16_t computed = 0;
    bool operator==(const CheckPair&) const = default;
};

}

bool recordGeometryReady()
{
    if (!isSuccess())
        return false;
    if (!fiscalMemoryReadable()) {
        failWith(condition::WrongDevice);
        return false;
    }
    if (!readMemoryGeometry())
        return false;
    if (recordLength() < kShortestRecord) {
        failWith(condition::WrongAnswer);
        return false;
    }
    return true;
}

namespace {

std::vector<RecordCacheEntry>& cache()
{
    std::vector<RecordCacheEntry>& entries = ctx.reports.cache;
    if (entries.size() != std::size_t{lastRecordIndex()} + 1)
        entries.assign(std::size_t{lastRecordIndex()} + 1, RecordCacheEntry {});
    return entries;
}

// Sends request 154 and puts the data-first answer back in order: its first
// byte arrives in the status cell, the others in the answer area.
bool requestAnswer(std::uint32_t index)
{
    ExchangeBuffer& buffer = ctx.request.buffer;
    const std::uint8_t length = recordLength();
    buffer.requestData(1) = static_cast<std::uint8_t>(index & 0xFF);
    buffer.requestData(2) = static_cast<std::uint8_t>((index >> 8) & 0xFF);
    request(kReadRecord, 1, 2, length);
    if (!isSuccess())
        return false;
    std::vector<std::uint8_t>& answer = ctx.reports.answer;
    answer.assign(length, 0);
    answer[0] = buffer.statusCell();
    for (unsigned k = 1; k < length; ++k)
        answer[k] = buffer.answer(k);
    return true;
}

// Stores the answer in the entry per the model's layout and returns its
// stored and computed check values.
CheckPair storeAnswer(RecordCacheEntry& entry, const std::vector<std::uint8_t>& a)
{
    const std::size_t length = a.size();
    entry = RecordCacheEntry {};
    entry.status = a[0];
    CheckPair check;
    if (crcRecords()) {
        entry.type = a[1];
        for (std::size_t k = 1; k + 3 < length; ++k)
            entry.body[k] = a[k + 1];
        check.stored = static_cast<std::uint16_t>(a[length - 2] | (a[length - 1] << 8));
        check.computed = crc16(std::span(a).subspan(1, length - 3));
    } else {
        entry.type = a[0];
        std::uint8_t x = 0;
        for (std::size_t k = 1; k + 1 < length; ++k) {
            entry.body[k] = a[k];
            x ^= a[k];
        }
        check.stored = a[length - 1];
        check.computed = x;
    }
    return check;
}

// A kept record stands in for its read: it counts as the request it saves,
// so that the run report and the progress read as without kept records.
void answerFromKeptRecord(RecordCacheEntry& entry, const std::vector<std::uint8_t>& kept)
{
    ctx.reports.answer = kept;
    storeAnswer(entry, kept);
    entry.valid = true;
    entry.cached = true;
    entry.fromKept = true;
    ++ctx.counters.requestsExecuted;
    postPeriodic(Notice::Counter, ctx.counters.requestsExecuted, ctx.server.counterInterval);
    noteRecordRead();
}

// Requests the record until it reads the same twice over or ten times the
// same wrong way, into its cache entry.
bool fetchRecord(std::uint32_t index)
{
    RecordCacheEntry& entry = cache()[index];
    CheckPair firstMismatch;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (!requestAnswer(index))
            return false;
        const CheckPair check = storeAnswer(entry, ctx.reports.answer);
        if (entry.status == 0xFF || entry.status == 0xFE)
            break;  // never written: nothing to check
        if (check.stored == check.computed) {
            entry.valid = true;
            break;
        }
        // A damaged record gives the same wrong value every time; a value
        // that changes means the reads themselves cannot be trusted.
        if (attempt == 1) {
            firstMismatch = check;
        } else if (!(check == firstMismatch)) {
            failWith(condition::Checksum);
            return false;
        }
    }
    entry.cached = true;
    return true;
}

// Reads a record from the register and holds it against its kept copy, if
// it has one: a record that now reads differently, damaged or not at all
// means the kept records cannot be trusted, so they are dropped and this
// read of the report ends with a failure, to be read again without them.
// A record that a kept one answered for earlier in the command keeps the
// links found meanwhile and counts as read once.
bool readAgainstKeptCopy(std::uint32_t index)
{
    RecordCacheEntry& entry = cache()[index];
    const bool answeredBefore = entry.fromKept;
    const RecordCacheEntry links = entry;
    const std::uint32_t requestsBefore = ctx.counters.requestsExecuted;
    const bool fetched = fetchRecord(index);
    if (answeredBefore) {
        if (ctx.counters.requestsExecuted > requestsBefore)
            --ctx.counters.requestsExecuted;  // the kept answer counted it already
        entry.labelLink = links.labelLink;
        entry.signatureLink = links.signatureLink;
        entry.cumulativeLink = links.cumulativeLink;
    } else if (fetched) {
        noteRecordRead();
    }
    const std::string number = "rekord nr " + std::to_string(index);
    if (const std::vector<std::uint8_t>* copy = keptCopyToCompare(index)) {
        if (!fetched) {
            dropKeptRecords(number + " nie dał się odczytać z kasy ponownie");
            return false;
        }
        if (!entry.valid || ctx.reports.answer != *copy) {
            dropKeptRecords(number + " odczytany z kasy różni się od zapamiętanego");
            failWith(condition::Checksum);
            return false;
        }
    }
    if (!fetched)
        return false;
    keepRecordRead(index);
    return true;
}

// A read past the record array: two answers must agree; nothing is cached.
bool readBeyondRecords(std::uint32_t index)
{
    std::uint16_t first = 0;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        if (!requestAnswer(index))
            return false;
        const std::uint16_t crc = crc16(ctx.reports.answer);
        if (attempt == 1) {
            first = crc;
        } else if (crc != first) {
            failWith(condition::Checksum);
            return false;
        }
    }
    return true;
}

}

std::uint32_t lastRecordIndex()
{
    return ctx.device.recordLimit.value;
}

std::uint8_t recordLength()
{
    return ctx.device.recordLength.value;
}

bool blockOneFlag()
{
    return ctx.device.blockOneFlag.value;
}

bool readRecord(std::uint32_t index)
{
    if (!recordGeometryReady())
        return false;
    if (ctx.stopRequested) {
        failWith(condition::StoppedByCaller);
        return false;
    }
    if (index > 0xFFFF) {
        // Request 154 addresses records with two bytes.
        failWith(condition::OtherError);
        return false;
    }
    if (index > lastRecordIndex())
        return readBeyondRecords(index);
    lookForKeptRecords();
    RecordCacheEntry& entry = cache()[index];
    if (entry.cached && (!entry.fromKept || ctx.reports.kept.mayAnswer))
        return true;
    if (!entry.cached) {
        if (const std::vector<std::uint8_t>* kept = keptRecord(index)) {
            answerFromKeptRecord(entry, *kept);
            return true;
        }
    }
    return readAgainstKeptCopy(index);
}

bool readRecordFromRegister(std::uint32_t index)
{
    if (!fetchRecord(index))
        return false;
    noteRecordRead();
    return true;
}

bool isSoundRecordAnswer(const std::vector<std::uint8_t>& answer)
{
    if (answer.size() != recordLength())
        return false;
    RecordCacheEntry entry;
    const CheckPair check = storeAnswer(entry, answer);
    const std::uint8_t status = entry.status;
    const bool written = status != 0xFF && status != 0xFE;
    const bool present = (status & 0xBE) != 0xBE && (status & 0xBF) != 0xBF;
    return written && present && check.stored == check.computed;
}

const RecordCacheEntry& cachedRecord(std::uint32_t index)
{
    static const RecordCacheEntry none {};
    const auto& entries = ctx.reports.cache;
    return index < entries.size() ? entries[index] : none;
}

bool isValid(std::uint32_t index)
{
    return cachedRecord(index).valid;
}

bool isEmpty(std::uint32_t index)
{
    return (cachedRecord(index).status & 0xBF) == 0xBF;
}

bool isPresent(std::uint32_t index)
{
    return (cachedRecord(index).status & 0xBE) != 0xBE;
}

namespace {

bool hasType(std::uint32_t index, std::uint8_t type)
{
    return (cachedRecord(index).type & 0x3F) == type;
}

}

bool isDailyReport(std::uint32_t index) { return hasType(index, record_type::DailyReport); }
bool isTaxRates(std::uint32_t index) { return hasType(index, record_type::TaxRates); }
bool isCurrencyChange(std::uint32_t index) { return hasType(index, record_type::CurrencyChange); }
bool isRamClear(std::uint32_t index) { return hasType(index, record_type::RamClear); }
bool isCumulativeTotals(std::uint32_t index) { return hasType(index, record_type::CumulativeTotals); }
bool isDaySignature(std::uint32_t index) { return hasType(index, record_type::DaySignature); }
bool isDayLabel(std::uint32_t index) { return hasType(index, record_type::DayLabel); }
bool isCardClosing(std::uint32_t index) { return hasType(index, record_type::CardClosing); }

bool isDamagedTypeDailyReport(std::uint32_t index)
{
    if (!isReportFamilyB() || !isPresent(index))
        return false;
    const std::uint8_t type = cachedRecord(index).type;
    if (isCurrencyChange(index) || isRamClear(index) || isTaxRates(index) || isDailyReport(index))
        return false;
    return (type & 0x02) == 0;
}

}
