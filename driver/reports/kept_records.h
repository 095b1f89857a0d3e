// Fiscal memory records kept across runs: a record read as valid never
// changes, so a later command takes it from the user's cache folder instead
// of the line, once a few of the kept records were read again and matched.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvo::drv {

// Finds and verifies the register's kept records, once per command, when
// keeping is switched on. Leaves the result code as it found it: a register
// that cannot be identified or verified simply reads as if nothing was kept.
void lookForKeptRecords();

// The kept raw answer of the record, when the kept records are trusted.
const std::vector<std::uint8_t>* keptRecord(std::uint32_t index);

// Keeps a record just read from the register when it is valid and present.
void keepRecordRead(std::uint32_t index);

// Writes the register's file when the command added records.
void saveKeptRecords();

// The body of the command that deletes the register's file.
void forgetKeptRecordsBody();

}
