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
};

}
