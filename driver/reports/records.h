// Fiscal memory records: reading them with their checksum, caching them for
// the command, decoding them into report fields with ready-made texts, the
// report's running totals, and locating the records that bound a periodic
// report. Every operation returns a success flag; failures are stored in the
// context's result code.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/core/report_state.h"

namespace kelvo::drv {

inline constexpr std::size_t kLetterCount = 7;  // tax letters A..G

// Record types (the low six bits of the type byte).
namespace record_type {
inline constexpr std::uint8_t DailyReport = 60;
inline constexpr std::uint8_t TaxRates = 58;
inline constexpr std::uint8_t CurrencyChange = 30;
inline constexpr std::uint8_t RamClear = 46;
inline constexpr std::uint8_t CumulativeTotals = 52;
inline constexpr std::uint8_t DaySignature = 50;
inline constexpr std::uint8_t DayLabel = 38;
inline constexpr std::uint8_t CardClosing = 22;
}

// Bits of a letter's flags in one tax-rate record.
namespace letter_flag {
inline constexpr std::uint8_t Exempt = 0x01;
inline constexpr std::uint8_t Taxed = 0x02;
inline constexpr std::uint8_t NonZeroRate = 0x04;
}

// Bits of a letter's flags accumulated over a section.
namespace seen_flag {
inline constexpr std::uint8_t Exempt = 0x01;
inline constexpr std::uint8_t Taxed = 0x02;
inline constexpr std::uint8_t NonZeroRate = 0x04;
inline constexpr std::uint8_t RateChanged = 0x08;
inline constexpr std::uint8_t RateSeen = 0x10;
}

// Report kinds 1..8 and their groups.
bool isMonthlyKind(std::uint8_t kind);     // 1, 4
bool isByNumberKind(std::uint8_t kind);    // 3, 7, 8
bool isSettlementKind(std::uint8_t kind);  // 6, 7, 8

// The comparable key of a daily report: a date (two-digit year, month, day
// as plain numbers) or a report number.
struct RecordKey {
    std::uint8_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint16_t number = 0;
};

// A two-digit BCD byte as a plain number (0x09 gives 9, 0x12 gives 12).
std::uint8_t bcdValue(std::uint8_t b);

RecordKey dateKey(std::uint8_t year, std::uint8_t month, std::uint8_t day);
RecordKey numberKey(std::uint16_t number);

// The running totals of one currency section.
struct RunningTotals {
    std::array<std::uint8_t, kLetterCount> seen {};  // seen_flag bits
    std::array<std::uint16_t, kLetterCount> lastRate {};
    std::array<std::uint64_t, kLetterCount> net {};
    std::array<std::uint64_t, kLetterCount> tax {};
    std::uint64_t exemptSales = 0;
    std::uint64_t taxTotal = 0;
    std::uint64_t grossTotal = 0;
    std::uint64_t receipts = 0;
    std::uint64_t cancelledReceipts = 0;
    std::uint64_t cancelledAmount = 0;
    std::uint32_t goodsChangeReports = 0;  // daily reports with goods-database changes
    std::uint32_t ramClears = 0;
    std::uint32_t damagedRecords = 0;
    std::vector<RateFigures> byRate;  // net and tax per letter and rate
};

// One decoded record, and the running totals of the section
// it belongs to. The letter rates stay from the tax-rate record decoded last,
// because daily reports are taxed with them.
struct DecodedRecord {
    bool decoded = false;  // false when the record was empty, not present or damaged
    std::uint32_t index = kNoRecord;
    std::uint8_t type = 0;      // record type (60 for a damaged-type daily report)
    std::uint8_t typeByte = 0;  // the full type byte as read
    std::uint8_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint16_t number = 0;
    std::uint8_t hour = 0;     // types 30 and 46
    std::uint8_t minute = 0;
    std::string currencyText;  // type 30
    bool marked = false;       // type 46: bit 0x40 of the status is clear
    bool damagedType = false;  // a daily report recognised by its damaged type byte

    // Letters A..G from the tax-rate record decoded last.
    std::array<std::uint16_t, kLetterCount> rate {};
    std::array<std::uint8_t, kLetterCount> letterFlags {};  // letter_flag bits

    // Money of a daily report (type 52: the cumulative tax amounts in tax and
    // the cumulative total due in grossTotal).
    std::array<std::uint64_t, kLetterCount> net {};
    std::array<std::uint64_t, kLetterCount> tax {};
    std::uint64_t exemptTotal = 0;
    std::uint64_t taxTotal = 0;
    std::uint64_t grossTotal = 0;
    std::uint32_t receipts = 0;
    std::uint32_t goodsChanges = 0;
    std::uint32_t cancelledReceipts = 0;
    std::uint64_t cancelledAmount = 0;

    std::string signatureText;  // 40 hexadecimal digits (types 50 and 22)
    std::string labelText;      // types 38 and 22

    std::uint32_t printedLines = 0;

    RunningTotals totals;
};

// Predicates of the identified register.
bool fiscalMemoryReadable();  // device code 100 or above
bool crcRecords();            // records carry a CRC-16 instead of an XOR byte
bool isReportFamilyA();       // registers served by X000028X
bool isReportFamilyB();       // registers served by X000035X: 40 columns, centred header lines

// Checks that the model has a readable fiscal memory (else 25) and reads
// its geometry; the three values below are known after it.
bool recordGeometryReady();
// Memory geometry of the identified register (read once per command).
std::uint32_t lastRecordIndex();  // N
std::uint8_t recordLength();      // L
bool blockOneFlag();              // the memory holds signatures, labels and cumulative totals

// Reads record index into the cache (or, beyond N, reads it twice and
// compares); the answer bytes, first byte first, are left in
// ctx.reports.answer. A record with the same wrong check value ten times is
// cached as damaged without an error; differing values give 46. A stop asked
// for by the caller ends the command here, before the record is asked for.
bool readRecord(std::uint32_t index);
// Reads record index from the register into the cache, kept records aside.
bool readRecordFromRegister(std::uint32_t index);
// True when a record's raw answer, of this register's record length, is
// written, present and passes its check value.
bool isSoundRecordAnswer(const std::vector<std::uint8_t>& answer);
// Sets the highest index the progress function is told the command will
// read: the end of the written part as the kept records know it, else the
// memory's last record.
void expectRecordsToRead(std::uint32_t last);
// Counts a record of the array read from the register and tells the
// progress function, if one is set.
void noteRecordRead();

// Predicates on a cached record.
bool isValid(std::uint32_t index);
bool isEmpty(std::uint32_t index);
bool isPresent(std::uint32_t index);
bool isDailyReport(std::uint32_t index);
bool isTaxRates(std::uint32_t index);
bool isCurrencyChange(std::uint32_t index);
bool isRamClear(std::uint32_t index);
bool isCumulativeTotals(std::uint32_t index);
bool isDaySignature(std::uint32_t index);
bool isDayLabel(std::uint32_t index);
bool isCardClosing(std::uint32_t index);
// A present record that the Report family B registers take for a daily
// report although its type byte is damaged.
bool isDamagedTypeDailyReport(std::uint32_t index);
// The cached entry (read it first).
const RecordCacheEntry& cachedRecord(std::uint32_t index);

// Reads, checks and decodes record index into r, adding a daily report to
// the running totals; an empty, absent or damaged record decodes nothing.
bool decodeRecord(std::uint32_t index, DecodedRecord& r);

// Clears the per-record fields (the rates and running totals stay).
void resetRecordPart(DecodedRecord& r);
// Clears everything, running totals included: the start of a section.
void resetSection(DecodedRecord& r);
// Adds a damaged record to the section's count.
void countDamagedRecord(DecodedRecord& r);
// Advances the printed-line counter.
void countPrintedLine(DecodedRecord& r);
// Sets the printed-line counter to zero.
void resetPrintedLines(DecodedRecord& r);

// The tax in a gross amount at a rate in hundredths of a percent: half a
// grosz and more goes up.
std::uint64_t taxOfGross(std::uint64_t gross, std::uint16_t rate);

// Adds a decoded daily report to the running totals.
void accumulateTotals(DecodedRecord& r);

// Texts: 12345678 gives "123.456,78", 5 gives "0,05"; a rate of 2200 gives "22,00".
std::string amountText(std::uint64_t grosze);
std::string rateText(std::uint16_t hundredths);
// A letter's rate column of a tax-rate record: "22,00%" or "ZW.PTU", six wide.
std::string rateColumnText(const DecodedRecord& r, std::size_t letter);
// Five bytes, least significant first, each stored inverted; erased bytes read as 0.
std::uint64_t invertedAmount(const std::uint8_t* fiveBytes);

// Keys of cached records and of range bounds.
RecordKey recordKey(bool byNumber, std::uint32_t index);
// 0 when equal, 2 when b is later than a, 1 when b is earlier.
std::uint8_t compareKeys(bool byNumber, const RecordKey& a, const RecordKey& b);
// Date keys are accepted when the two-digit year is below 50.
bool keyInRange(bool byNumber, const RecordKey& key);

// The register's status byte (request 91) and clock (request 53).
inline constexpr std::uint8_t kFiscalMode = 0x08;
inline constexpr std::uint8_t kReadOnlyMode = 0x04;
bool readRegisterStatus(std::uint8_t& status);
struct RegisterClock {
    std::uint8_t year = 0;  // two digits
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
};
bool readRegisterClock(RegisterClock& clock);
// True when the clock's year, month and day form a date.
bool clockDateValid(const RegisterClock& clock);

// Locates the records that bound the report of this kind between from and to.
bool locateRange(std::uint8_t kind, const RecordKey& from, const RecordKey& to, ReportRange& range);

// The fiscal memory copy of the header, read once per command into
// ctx.reports.headerCopy (offsets from its first byte).
bool readHeaderCopy();
// Byte offset of the header copy, 0xFF beyond what the register handed over.
std::uint8_t headerCopyByte(std::size_t offset);
inline constexpr std::size_t kHeaderCopyLastLine = 133;
inline constexpr std::size_t kHeaderCopyTransition = 183;  // ten digit values: YYMMDDHHMM
inline constexpr std::size_t kHeaderCopyAttribute = 194;
inline constexpr std::size_t kHeaderCopyFlags = 195;
inline constexpr std::size_t kHeaderCopyCurrency = 242;

// The currency text of currency record recordIndex, or the register's
// current currency from the header copy when recordIndex is kNoRecord.
bool currencyOf(std::uint32_t recordIndex, std::string& currency);

// The number of RAM clears the register has seen.
bool ramClearCount(std::uint32_t& count);

}
