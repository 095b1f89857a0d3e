#include "driver/reports/kept_records.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/device/identity_readers.h"
#include "driver/files/record_store.h"
#include "platform/private_file.h"
#include "driver/reports/records.h"

namespace kelvo::drv {

namespace {

// Kept records read again before they are used at all, besides the highest
// one: a memory that was replaced under the same unique number differs in
// most records, so a few random ones find it early; each costs one request.
// What makes the report right is that every record it shows is read anew.
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

void addNote(std::string_view text)
{
    std::string& note = ctx.reports.kept.note;
    note += note.empty() ? "" : " ";
    note += text;
}

// The first kept record that would not pass the register's own check: a
// file whose checksum holds may still hold records that were never valid.
std::optional<std::uint32_t> firstUnsoundRecord(const std::map<std::uint32_t, std::vector<std::uint8_t>>& records)
{
    for (const auto& [index, answer] : records)
        if (!isSoundRecordAnswer(answer))
            return index;
    return std::nullopt;
}

// Takes the file's records when they are of this register and each one is
// sound; anything else is replaced at the end of the command.
void loadKept(KeptRecords& kept, const RecordStoreKey& key)
{
    int error = 0;
    std::optional<RecordStore> store = loadRecordStore(kept.path, key, error);
    kept.changed = true;
    if (error == EISDIR) {
        addNote("Rekordy nie są zapamiętywane: w miejscu pliku " + kept.path + " stoi folder; usuń go.");
        return;
    }
    // A link, a FIFO or a device at the name, or more than a file of this
    // memory can hold: what stands there goes, and the file is written anew.
    if (error == ELOOP || error == EINVAL || error == EFBIG) {
        platform::removeEntry(kept.path);
        addNote("Zapamiętane rekordy pominięte: w miejscu pliku " + kept.path
            + " stało coś, co nie jest zwykłym plikiem pamięci rekordów; zostało usunięte.");
        return;
    }
    if (!store || !(store->key == key))
        return;
    if (const auto unsound = firstUnsoundRecord(store->records)) {
        addNote("Zapamiętane rekordy pominięte: rekord nr " + std::to_string(*unsound) + " w pliku " + kept.path
            + " ma złą sumę kontrolną.");
        return;
    }
    kept.records = std::move(store->records);
    kept.changed = false;
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
    const std::string folder = std::filesystem::path(kept.path).parent_path().string();
    if (!platform::isPrivateFolder(folder)) {
        addNote("Rekordy nie są zapamiętywane: folder " + folder
            + " nie jest prywatnym folderem tego użytkownika (inny właściciel albo mogą w nim pisać inni).");
        return;
    }
    loadKept(kept, *key);
    if (!kept.records.empty() && !verified(kept)) {
        ctx.outcome = before;
        kept.records.clear();
        kept.changed = true;
        addNote("Zapamiętane rekordy usunięte: nie zgadzają się z pamięcią kasy o tym numerze unikatowym.");
    }
    kept.trusted = true;
}

KeptRecordsMayAnswer::KeptRecordsMayAnswer() : before_(ctx.reports.kept.mayAnswer)
{
    ctx.reports.kept.mayAnswer = true;
}

KeptRecordsMayAnswer::~KeptRecordsMayAnswer()
{
    ctx.reports.kept.mayAnswer = before_;
}

const std::vector<std::uint8_t>* keptRecord(std::uint32_t index)
{
    return ctx.reports.kept.mayAnswer ? keptCopyToCompare(index) : nullptr;
}

const std::vector<std::uint8_t>* keptCopyToCompare(std::uint32_t index)
{
    const KeptRecords& kept = ctx.reports.kept;
    if (!kept.trusted || kept.dropped)
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

void dropKeptRecords(std::string_view reason)
{
    KeptRecords& kept = ctx.reports.kept;
    kept.dropped = true;
    kept.records.clear();
    kept.changed = true;
    addNote("Zapamiętane rekordy usunięte: " + std::string(reason)
        + "; raport odczytano z kasy od nowa, bez zapamiętanych rekordów.");
}

bool keptRecordsDropped()
{
    return ctx.reports.kept.dropped;
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

namespace {

std::string removalNote(platform::RemovedEntry removed, const std::string& path)
{
    using platform::RemovedEntry;
    switch (removed) {
    case RemovedEntry::Nothing: return "Nie było zapamiętanych rekordów tej kasy (" + path + ").";
    case RemovedEntry::RegularFile: return "Usunięto zapamiętane rekordy tej kasy: plik " + path + ".";
    case RemovedEntry::SymbolicLink:
        return "Usunięto dowiązanie symboliczne " + path + " w miejscu pliku zapamiętanych rekordów (to, do czego prowadziło, zostało).";
    case RemovedEntry::Fifo: return "Usunięto kolejkę FIFO " + path + " w miejscu pliku zapamiętanych rekordów.";
    case RemovedEntry::Socket: return "Usunięto gniazdo " + path + " w miejscu pliku zapamiętanych rekordów.";
    case RemovedEntry::Device: return "Usunięto plik urządzenia " + path + " w miejscu pliku zapamiętanych rekordów.";
    case RemovedEntry::Folder:
        return "W miejscu pliku zapamiętanych rekordów stoi folder " + path + "; nie usunięto go, usuń go ręcznie.";
    case RemovedEntry::Failed: break;
    }
    return "Nie udało się usunąć " + path + "; sprawdź uprawnienia do folderu.";
}

}

void forgetKeptRecordsBody()
{
    if (!readDeviceCode() || !readUniqueNumber())
        return;
    const RecordStoreKey key {ctx.device.uniqueNumber.value, ctx.device.deviceCode.value};
    if (const std::string path = recordStorePath(key); !path.empty())
        addNote(removalNote(platform::removeEntry(path), path));
}

}
