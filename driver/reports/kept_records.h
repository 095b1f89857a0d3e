// Fiscal memory records kept across runs. A valid record never changes on
// the register, so a later command may take a kept one instead of the line,
// but only where the report needs no more of it than its type and key: to
// find where the range starts. Every record whose content the report shows
// or sums is read from the register in the command and compared with its
// kept copy; any difference drops the kept records and the report is read
// again without them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kelvo::drv {

// Finds and verifies the register's kept records, once per command, when
// keeping is switched on. Leaves the result code as it found it: a register
// that cannot be identified or verified simply reads as if nothing was kept.
void lookForKeptRecords();

// While one of these lives, kept records answer the command's reads: for
// the scans whose results depend only on the records' types and keys.
class KeptRecordsMayAnswer {
public:
    KeptRecordsMayAnswer();
    ~KeptRecordsMayAnswer();
    KeptRecordsMayAnswer(const KeptRecordsMayAnswer&) = delete;
    KeptRecordsMayAnswer& operator=(const KeptRecordsMayAnswer&) = delete;

private:
    bool before_;
};

// The kept raw answer of the record, when kept records may answer now.
const std::vector<std::uint8_t>* keptRecord(std::uint32_t index);

// The kept raw answer of a record, to hold a read from the register
// against, while the kept records are in use.
const std::vector<std::uint8_t>* keptCopyToCompare(std::uint32_t index);

// Keeps a record just read from the register when it is valid and present.
void keepRecordRead(std::uint32_t index);

// Drops all kept records of the register for the rest of the command and
// from its file, and says why in the command's note (text in UTF-8).
void dropKeptRecords(std::string_view reason);

// True once the command dropped the kept records.
bool keptRecordsDropped();

// Writes the register's file when the command added or dropped records.
void saveKeptRecords();

// The body of the command that deletes the register's file.
void forgetKeptRecordsBody();

}
