#include "driver/files/record_store.h"

#include <array>
#include <algorithm>

#include "platform/file_access.h"
#include "platform/private_file.h"
#include "platform/user_config.h"

namespace kelvo::drv {

namespace {

constexpr std::array<std::uint8_t, 4> kMagic {'K', 'L', 'V', 'R'};
// Raised whenever the layout below changes: an older file is then ignored.
constexpr std::uint8_t kFormatVersion = 1;
constexpr std::size_t kChecksumSize = 8;

// FNV-1a over the content: a damaged or cut file shows as a mismatch.
std::uint64_t checksum(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t h = 14695981039346656037ULL;
    for (std::size_t k = 0; k < size; ++k) {
        h ^= data[k];
        h *= 1099511628211ULL;
    }
    return h;
}

void putWord(std::vector<std::uint8_t>& out, std::uint64_t value, unsigned bytes)
{
    for (unsigned k = 0; k < bytes; ++k)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

// Reads little-endian fields from the front of the content, failing once past its end.
class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes, std::size_t end) : bytes_(bytes), end_(end) {}
    bool word(std::uint64_t& value, unsigned bytes)
    {
        if (end_ - at_ < bytes)
            return false;
        value = 0;
        for (unsigned k = 0; k < bytes; ++k)
            value |= std::uint64_t {bytes_[at_ + k]} << (8 * k);
        at_ += bytes;
        return true;
    }
    bool take(std::size_t count, std::vector<std::uint8_t>& out)
    {
        if (end_ - at_ < count)
            return false;
        out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
            bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
        at_ += count;
        return true;
    }
    bool atEnd() const { return at_ == end_; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t end_;
    std::size_t at_ = 0;
};

// A file name from the device code and the unique number, with every byte
// that is not a letter or digit written as %XX.
std::string fileName(const RecordStoreKey& key)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name = std::to_string(key.deviceCode) + "-";
    for (const char c : key.uniqueNumber) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            name += c;
        } else {
            name += '%';
            name += kHex[b >> 4];
            name += kHex[b & 15];
        }
    }
    return name + ".records";
}

// The size of a store of this key holding every record of the memory: a
// file larger than that is not read at all.
std::size_t largestStore(const RecordStoreKey& key)
{
    const std::size_t header = kMagic.size() + 1 + 1 + 255 + 1 + 1 + 1 + 4 + 4;
    return header + std::size_t {key.recordCount} * (4 + key.recordLength) + kChecksumSize;
}

}

std::string recordStorePath(const RecordStoreKey& key)
{
    return platform::userCacheFile(fileName(key));
}

std::vector<std::uint8_t> encodeRecordStore(const RecordStore& store)
{
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    out.push_back(kFormatVersion);
    const RecordStoreKey& key = store.key;
    putWord(out, key.uniqueNumber.size(), 1);
    out.insert(out.end(), key.uniqueNumber.begin(), key.uniqueNumber.end());
    putWord(out, key.deviceCode, 1);
    putWord(out, key.version, 1);
    putWord(out, key.recordLength, 1);
    putWord(out, key.recordCount, 4);
    putWord(out, store.records.size(), 4);
    for (const auto& [index, bytes] : store.records) {
        putWord(out, index, 4);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    putWord(out, checksum(out.data(), out.size()), kChecksumSize);
    return out;
}

std::optional<RecordStore> decodeRecordStore(const std::vector<std::uint8_t>& bytes)
{
    const std::size_t least = kMagic.size() + 1 + kChecksumSize;
    if (bytes.size() < least || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())
        || bytes[kMagic.size()] != kFormatVersion)
        return std::nullopt;
    const std::size_t end = bytes.size() - kChecksumSize;
    std::uint64_t stored = 0;
    for (unsigned k = 0; k < kChecksumSize; ++k)
        stored |= std::uint64_t {bytes[end + k]} << (8 * k);
    if (stored != checksum(bytes.data(), end))
        return std::nullopt;

    Reader in(bytes, end);
    std::uint64_t value = 0;
    std::vector<std::uint8_t> text;
    RecordStore store;
    RecordStoreKey& key = store.key;
    if (!in.take(kMagic.size() + 1, text) || !in.word(value, 1) || !in.take(value, text))
        return std::nullopt;
    key.uniqueNumber.assign(text.begin(), text.end());
    std::uint64_t code = 0, version = 0, length = 0, count = 0, entries = 0;
    if (!in.word(code, 1) || !in.word(version, 1) || !in.word(length, 1) || !in.word(count, 4)
        || !in.word(entries, 4))
        return std::nullopt;
    key.deviceCode = static_cast<std::uint8_t>(code);
    key.version = static_cast<std::uint8_t>(version);
    key.recordLength = static_cast<std::uint8_t>(length);
    key.recordCount = static_cast<std::uint32_t>(count);
    // Records stand in rising order of their index, each once, as they are written.
    std::optional<std::uint64_t> previous;
    for (std::uint64_t k = 0; k < entries; ++k) {
        std::uint64_t index = 0;
        if (!in.word(index, 4) || index >= key.recordCount || (previous && index <= *previous)
            || !in.take(key.recordLength, text))
            return std::nullopt;
        store.records[static_cast<std::uint32_t>(index)] = text;
        previous = index;
    }
    if (!in.atEnd())
        return std::nullopt;
    return store;
}

std::optional<RecordStore> loadRecordStore(const std::string& path, const RecordStoreKey& key, int& error)
{
    const platform::FileContent file = platform::readRegularFile(path, largestStore(key), platform::AtALink::Refuse);
    error = file.error;
    if (error != 0)
        return std::nullopt;
    return decodeRecordStore(file.bytes);
}

bool saveRecordStore(const std::string& path, const RecordStore& store)
{
    return platform::replacePrivateFile(path, encodeRecordStore(store));
}

}
