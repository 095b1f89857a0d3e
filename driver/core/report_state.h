// What the fiscal memory reader keeps for one command: the record cache, the
// range of the periodic report and the fiscal memory copy of the header.
// It lives in the driver context and is cleared by the command reset.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kelvo::drv {

// An index field that names no record.
inline constexpr std::uint32_t kNoRecord = 0xFFFF;

// One fiscal memory record as read from the register. The body is kept in
// the numbering D[1], D[2], ... of both record layouts: body[k] is D[k] and
// body[0] is unused; bytes the record does not carry stay zero.
struct RecordCacheEntry {
    bool cached = false;
    std::uint8_t status = 0;
    std::uint8_t type = 0;  // the full type byte, the type in its low six bits
    std::array<std::uint8_t, 256> body {};
    std::uint32_t labelLink = kNoRecord;      // day label (type 38) of this daily report
    std::uint32_t signatureLink = kNoRecord;  // day signature (type 50)
    std::uint32_t cumulativeLink = kNoRecord; // cumulative totals (type 52)
    bool valid = false;                       // the checksum matched
    bool fromKept = false;                    // answered by a kept record, not yet read in this command
};

// The range of a periodic report and the state of its current section.
struct ReportRange {
    bool singleCurrency = false;  // the range holds no change of the accounting currency
    std::uint32_t taxRateRecord = kNoRecord;       // tax-rate record in force for the section
    std::uint32_t currencyRecord = kNoRecord;      // currency record in force for the section
    std::uint32_t lastDailyBefore = kNoRecord;     // last daily report before the range
    std::uint32_t sectionFirst = kNoRecord;        // first daily report of the section
    std::uint32_t nextCurrencyChange = kNoRecord;  // first currency change after the section start
    std::uint32_t rangeLast = kNoRecord;           // last daily report of the range
};

// The records of earlier runs kept for this register, as the command uses
// them: found once per command, used only after a sample of them was read
// again and matched, and then only where the report needs a record's type
// and key alone; every record whose content the report shows is read anew.
struct KeptRecords {
    bool looked = false;     // the command has looked for them
    bool trusted = false;    // verified: they may answer reads, and new records are kept
    bool mayAnswer = false;  // the read under way needs only types and keys
    bool dropped = false;    // a kept record disagreed with the register: none answers any more
    bool changed = false;    // records were added or dropped: the file is written at the end
    std::string path;
    std::string uniqueNumber;  // read for the key only: identification shows what it showed
    std::string note;          // what became of the kept records, for the caller
    std::map<std::uint32_t, std::vector<std::uint8_t>> records;  // index: raw answer
};

// The accountant's figures of one tax rate of a letter, summed over the daily
// reports of a section taxed at that rate (gross is net + tax).
struct RateFigures {
    std::uint8_t letter = 0;  // 0 for A .. 6 for G
    bool exempt = false;
    std::uint16_t rate = 0;   // hundredths of a percent; 0 when exempt
    std::uint64_t net = 0;    // grosze, as the report's "Sprzed." lines count them
    std::uint64_t tax = 0;    // grosze, as its "Kwota PTU" lines
};

// One accounting-currency section of the report.
struct SectionFigures {
    std::string currency;
    std::vector<RateFigures> rates;  // by letter, then in the order the rates came
    std::uint64_t taxTotal = 0;
    std::uint64_t grossTotal = 0;
    std::uint64_t receipts = 0;
};

// The accountant's figures of a whole periodic report: who, which range,
// and the sections. Texts are Windows-1250 as the register gave them.
struct ReportFigures {
    bool complete = false;  // the footer was written: every section is in
    std::uint8_t kind = 0;
    std::string uniqueNumber;
    std::string nip;  // as the header lines print it, empty when none does
    std::uint8_t fromYear = 0, fromMonth = 0, fromDay = 0;  // two-digit year
    std::uint8_t toYear = 0, toMonth = 0, toDay = 0;
    std::uint16_t firstReport = 0;
    std::uint16_t lastReport = 0;
    std::vector<SectionFigures> sections;
};

struct ReportState {
    std::vector<RecordCacheEntry> cache;  // records 0..N, sized on first use
    ReportRange range;
    std::vector<std::uint8_t> answer;     // the last record answer, first byte first
    std::vector<std::uint8_t> headerCopy; // the fiscal memory copy of the header
    bool headerCopyRead = false;
    // What the progress function is told: records of the array read from
    // the register in this command, and the highest index the command reads
    // (0 until the report range is being located).
    std::uint32_t recordsRead = 0;
    std::uint32_t highestToRead = 0;
    KeptRecords kept;
    ReportFigures figures;  // of the report being laid out
};

}
