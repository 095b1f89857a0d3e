// The persistent record store of one register: its key and the raw fiscal
// memory records read as valid, kept across runs in one file per register
// under the user's cache folder.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>


namespace kelvo::drv {

// What makes records of one register comparable: a record index means the
// same record only on the same register with the same memory geometry.
struct RecordStoreKey {
    std::string uniqueNumber;
    std::uint8_t deviceCode = 0;
    std::uint8_t version = 0;
    std::uint8_t recordLength = 0;
    std::uint32_t recordCount = 0;
    bool operator==(const RecordStoreKey&) const = default;
};

struct RecordStore {
    RecordStoreKey key;
    std::map<std::uint32_t, std::vector<std::uint8_t>> records;  // index: raw answer
};

// The store's file for the key; empty when there is no cache folder.
std::string recordStorePath(const RecordStoreKey& key);

// The store of the file for a register of this key. Nothing when the file is
// missing, is not a regular file (a link, a FIFO or a device is never
// followed or waited on), is larger than a store of this key's geometry can
// be, is of another format version, is truncated or fails its checksum;
// error then holds why the file itself was not read (errno; 0 when it was
// read but did not decode).
std::optional<RecordStore> loadRecordStore(const std::string& path, const RecordStoreKey& key, int& error);

// Replaces the file atomically; false when it could not be written.
bool saveRecordStore(const std::string& path, const RecordStore& store);

// The bytes of the file, and the store they hold (for the round trip).
std::vector<std::uint8_t> encodeRecordStore(const RecordStore& store);
std::optional<RecordStore> decodeRecordStore(const std::vector<std::uint8_t>& bytes);

}
