// The record decoder and the report layout over random fiscal memories: the
// record cache is filled from the input, every record is decoded and laid
// out as its block of a periodic report, then the totals and the footer.
// Nothing reaches a register: a record the cache lacks ends the report with
// a code.
#include <algorithm>
#include <cstdlib>

#include "driver/core/context.h"
#include "driver/files/textfile.h"
#include "driver/reports/records.h"
#include "driver/reports/report_writer.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;
using namespace kelvo::drv;

namespace {

constexpr std::size_t kRecords = 16;
// Bytes of the input taken in turn, zero once it is used up.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void identify(Bytes& in)
{
    DeviceIdentity& d = ctx.device;
    d.deviceCode.set(in.next());  // any model: both report families, XOR and CRC records
    d.lineWidth.set(40);
    d.memorySize.set(131072);
    d.recordLimit.set(kRecords - 1);
    d.recordLength.set(63);
    d.headerOffset.set(256);
    d.blockOneFlag.set((in.next() & 1) != 0);
    InformationBlock& block128 = d.blocks[2];
    block128.state = InformationBlock::State::Read;
    block128.validCount = 128;
    for (auto& b : block128.bytes)
        b = in.next();
}

void fillCache(Bytes& in)
{
    ctx.reports.cache.assign(kRecords, RecordCacheEntry {});
    for (RecordCacheEntry& e : ctx.reports.cache) {
        e.cached = true;
        const std::uint8_t flags = in.next();
        e.valid = (flags & 1) != 0;
        e.status = in.next();
        e.type = in.next();
        for (std::size_t k = 1; k <= 63; ++k)
            e.body[k] = in.next();
        if ((flags & 2) != 0)
            e.labelLink = in.next() % kRecords;
        if ((flags & 4) != 0)
            e.signatureLink = in.next() % kRecords;
        if ((flags & 8) != 0)
            e.cumulativeLink = in.next() % kRecords;
    }
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    resetProcessState();
    Bytes in(data, size);
    const std::uint8_t kind = static_cast<std::uint8_t>(1 + in.next() % 8);
    identify(in);
    fillCache(in);

    DecodedRecord decoded;
    resetSection(decoded);
    for (std::uint32_t index = 0; index < kRecords; ++index)
        decodeRecord(index, decoded);

    if (!openFile(ctx.files.output, "OUT", 1))
        std::abort();
    report::PeriodicReport periodic(kind);
    periodic.currency = "PLN";
    ReportRange range;
    range.sectionFirst = in.next() % kRecords;
    range.rangeLast = std::max<std::uint32_t>(range.sectionFirst, in.next() % kRecords);
    bool written = true;
    for (std::uint32_t index = range.sectionFirst; written && index <= range.rangeLast; ++index)
        written = report::writeRecord(periodic, index, range);
    if (written)
        written = report::writeTotals(periodic, range.sectionFirst, range.rangeLast, (in.next() & 1) != 0, true);
    if (written)
        written = report::writeRangePair(periodic, range.sectionFirst, range.rangeLast);
    if (written)
        report::writeFooter(periodic);
    closeFile(ctx.files.output);
    // A writer that fails leaves its code.
    if (!written && ctx.outcome.resultCode == 0)
        std::abort();
    return 0;
}
