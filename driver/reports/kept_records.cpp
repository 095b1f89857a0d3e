#include "driver/reports/kept_records.h"

#include <algorithm>
#include <random>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/device/identity_readers.h"
#include "driver/files/record_store.h"
#include "driver/reports/records.h"
#include "platform/file_access.h"

namespace kelvo::drv {

namespace {

// Kept records read again before they are trusted, besides the highest one:
// a memory that was replaced under the same unique number differs in most
// records, so a few random ones find it; each costs one request.
constexpr std::size_t kVerifiedAtRandom = 3;

RecordStoreKey identifiedKey()
{
    return RecordStoreKey {ctx.reports.kept.uniqueNumber, ctx.device.deviceCode.value, ctx.device.version.value,
        recordLength(), lastRecordIndex() + 1};
}

// The unique number is read for the key alone: what the command knows of
// the register (and writes into its header lines) stays as without keeping.
std::optional<std::string> uniqueNumberAside()
{
    const Known<std::string> before = ctx.device.uniqueNumber;
    const bool read = readUniqueNumber();
    const std::string number = ctx.device.uniqueNumber.value;
    ctx.device.uniqueNumber = before;
    if (!read || number.empty())
        return std::nullopt;
    return number;
}

std::optional<RecordStoreKey> registerKey()
{
    if (!readDeviceCode() || !readVersion())
        return std::nullopt;
    const std::optional<std::string> number = uniqueNumberAside();
    if (!number)
        return std::nullopt;
    ctx.reports.kept.uniqueNumber = *number;
    return identifiedKey();
}

std::vector<std::uint32_t> indicesToVerify(const std::map<std::uint32_t, std::vector<std::uint8_t>>& records)
{
    std::vector<std::uint32_t> others;
    for (const auto& entry : records)
        others.push_back(entry.first);
    const std::uint32_t highest = others.back();
    others.pop_back();
    std::shuffle(others.begin(), others.end(), std::mt19937(std::random_device {}()));
    others.resize(std::min(others.size(), kVerifiedAtRandom));
    others.push_back(highest);
    return others;
}

// Reads the chosen records from the register; true when each is still valid
// and its answer the same byte for byte.
bool verified(const KeptRecords& kept)
{
    for (const std::uint32_t index : indicesToVerify(kept.records))
        if (!readRecordFromRegister(index) || !isValid(index) || ctx.reports.answer != kept.records.at(index))
            return false;
    return true;
}

}

void lookForKeptRecords()
{
    KeptRecords& kept = ctx.reports.kept;
    if (kept.looked || !ctx.keepRecords)
        return;
    kept.looked = true;
    const Outcome before = ctx.outcome;
    const std::optional<RecordStoreKey> key = registerKey();
    if (!key || (kept.path = recordStorePath(*key)).empty()) {
        ctx.outcome = before;
        return;
    }
    std::optional<RecordStore> store = loadRecordStore(kept.path);
    if (store && store->key == *key)
        kept.records = std::move(store->records);
    else
        kept.changed = true;  // missing, damaged or of another register: replaced
    if (!kept.records.empty() && !verified(kept)) {
        ctx.outcome = before;
        kept.records.clear();
        kept.changed = true;
    }
    kept.trusted = true;
}

const std::vector<std::uint8_t>* keptRecord(std::uint32_t index)
{
    const KeptRecords& kept = ctx.reports.kept;
    if (!kept.trusted)
        return nullptr;
    const auto found = kept.records.find(index);
    return found != kept.records.end() ? &found->second : nullptr;
}

void keepRecordRead(std::uint32_t index)
{
    KeptRecords& kept = ctx.reports.kept;
    if (!kept.trusted || !isValid(index) || !isPresent(index) || isEmpty(index))
        return;
    if (kept.records.emplace(index, ctx.reports.answer).second)
        kept.changed = true;
}

void saveKeptRecords()
{
    KeptRecords& kept = ctx.reports.kept;
    if (!kept.trusted || !kept.changed)
        return;
    // A file that cannot be written only costs the next run its reads.
    if (saveRecordStore(kept.path, RecordStore {identifiedKey(), kept.records}))
        kept.changed = false;
}

void forgetKeptRecordsBody()
{
    if (!readDeviceCode() || !readUniqueNumber())
        return;
    const RecordStoreKey key {ctx.device.uniqueNumber.value, ctx.device.deviceCode.value};
    if (const std::string path = recordStorePath(key); !path.empty())
        platform::removeFile(path);
}

}
