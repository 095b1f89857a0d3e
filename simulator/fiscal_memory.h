// The fiscal memory as a record read sees it: the record array 0..N, erased
// (0xFF) past the last written record, and the copy of the register header
// that sits header-offset bytes before the end of the memory.
#pragma once

#include "simulator/bytes.h"
#include "simulator/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::sim {

struct Geometry {
    std::uint32_t memorySize = 131072;
    std::uint16_t recordCount = 2060;  // records 0..N with N = recordCount - 1
    std::uint8_t recordLength = 63;
    std::uint16_t headerOffset = 256;

    bool operator==(const Geometry&) const = default;
};

struct DateTime {
    Date date;
    TimeOfDay time;
};

struct HeaderCopy {
    std::string lastLine;               // header text kept in the memory (offset 133)
    std::uint8_t attribute = 0x02;      // bit 1: the text is full width (offset 194)
    std::optional<DateTime> readOnlySince;  // digit values at offset 183
    std::string currency = "PLN";       // offset 242; empty leaves the bytes erased
};

class FiscalMemory {
public:
    FiscalMemory(const Geometry& geometry, const RecordLayout& layout, const std::vector<Record>& records,
                 const HeaderCopy& header, bool attributeAtStart);

    // The L bytes a read of the index answers.
    Bytes read(std::uint32_t index) const;

    // First record index of the header copy: (memory size - header offset) div L.
    std::uint32_t headerCopyStart() const;

    const Geometry& geometry() const { return geometry_; }
    const RecordLayout& layout() const { return layout_; }
    std::size_t writtenRecords() const { return written_; }

private:
    Geometry geometry_;
    RecordLayout layout_;
    Bytes records_;     // recordCount * L bytes
    Bytes headerCopy_;  // headerOffset bytes
    std::size_t written_ = 0;
};

}
