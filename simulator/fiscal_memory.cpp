#include "simulator/fiscal_memory.h"

#include <algorithm>
#include <stdexcept>

namespace kelvo::sim {

namespace {

constexpr std::size_t lastLineOffset = 133;
constexpr std::size_t readOnlyOffset = 183;
constexpr std::size_t attributeOffset = 194;
constexpr std::size_t flagsOffset = 195;
constexpr std::uint8_t writableFlag = 0x04;  // cleared once the memory is read-only
constexpr std::size_t currencyOffset = 242;

void putDigits(Bytes& bytes, std::size_t offset, int value)
{
    bytes[offset] = static_cast<std::uint8_t>((value / 10) % 10);
    bytes[offset + 1] = static_cast<std::uint8_t>(value % 10);
}

}

FiscalMemory::FiscalMemory(const Geometry& geometry, const RecordLayout& layout, const std::vector<Record>& records,
                           const HeaderCopy& header, bool attributeAtStart)
    : geometry_(geometry), layout_(layout)
{
    const std::size_t length = geometry.recordLength;
    if (length != layout.length) throw std::invalid_argument("record length differs from the layout");
    if (records.size() > geometry.recordCount)
        throw std::invalid_argument("more records than the fiscal memory holds (" + std::to_string(geometry.recordCount) + ")");
    if (std::size_t{geometry.recordCount} * length + geometry.headerOffset > geometry.memorySize)
        throw std::invalid_argument("records and header copy do not fit the memory size");
    if (geometry.headerOffset < currencyOffset + 3) throw std::invalid_argument("header offset too small for the header copy");

    records_.assign(std::size_t{geometry.recordCount} * length, 0xFF);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Bytes encoded = encodeRecord(records[i], layout);
        std::copy(encoded.begin(), encoded.end(), records_.begin() + static_cast<std::ptrdiff_t>(i * length));
    }
    written_ = records.size();

    headerCopy_.assign(geometry.headerOffset, 0xFF);
    const std::size_t lineEnd = std::min(header.lastLine.size(), readOnlyOffset - lastLineOffset);
    std::copy_n(header.lastLine.begin(), lineEnd, headerCopy_.begin() + lastLineOffset);
    headerCopy_[attributeOffset] = header.attribute;
    if (attributeAtStart) headerCopy_[0] = header.attribute;
    if (header.readOnlySince) {
        const DateTime& t = *header.readOnlySince;
        putDigits(headerCopy_, readOnlyOffset, t.date.year % 100);
        putDigits(headerCopy_, readOnlyOffset + 2, t.date.month);
        putDigits(headerCopy_, readOnlyOffset + 4, t.date.day);
        putDigits(headerCopy_, readOnlyOffset + 6, t.time.hour);
        putDigits(headerCopy_, readOnlyOffset + 8, t.time.minute);
        headerCopy_[flagsOffset] = static_cast<std::uint8_t>(headerCopy_[flagsOffset] & ~writableFlag);
    }
    std::copy_n(header.currency.begin(), std::min<std::size_t>(header.currency.size(), 3),
                headerCopy_.begin() + currencyOffset);
}

std::uint32_t FiscalMemory::headerCopyStart() const
{
    return (geometry_.memorySize - geometry_.headerOffset) / geometry_.recordLength;
}

Bytes FiscalMemory::read(std::uint32_t index) const
{
    const std::size_t length = geometry_.recordLength;
    Bytes answer(length, 0xFF);
    if (index < geometry_.recordCount) {
        const auto start = records_.begin() + static_cast<std::ptrdiff_t>(index * length);
        std::copy(start, start + static_cast<std::ptrdiff_t>(length), answer.begin());
        return answer;
    }
    const std::uint32_t start = headerCopyStart();
    if (index < start) return answer;
    const std::size_t offset = std::size_t{index - start} * length;
    for (std::size_t k = 0; k < length && offset + k < headerCopy_.size(); ++k) answer[k] = headerCopy_[offset + k];
    return answer;
}

}
