// The fiscal memory copy of the header at the end of the memory, the
// register's current currency it holds, and the count of RAM clears.
#include "driver/device/identity_readers.h"
#include "driver/core/model_table.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/kept_records.h"
#include "driver/reports/records.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kRamClearBlock = 128;
constexpr std::uint8_t kRamClearByte = 33;

}

bool readHeaderCopy()
{
    if (!recordGeometryReady())
        return false;
    ReportState& reports = ctx.reports;
    if (reports.headerCopyRead)
        return true;
    const std::uint32_t size = ctx.device.memorySize.value;
    const std::uint16_t offset = ctx.device.headerOffset.value;
    const std::uint8_t length = recordLength();
    // The copy takes the last header-offset bytes of the memory and is read
    // record by record from the record that holds its first byte.
    std::uint32_t index = size > offset ? (size - offset) / length : 0;
    std::vector<std::uint8_t> copy;
    while (copy.size() < offset) {
        // A record of the array is read afresh, so that its answer is at hand.
        if (index < reports.cache.size())
            reports.cache[index].cached = false;
        if (!readRecord(index))
            return false;
        copy.insert(copy.end(), reports.answer.begin(), reports.answer.end());
        ++index;
    }
    copy.resize(offset);
    // The Saska rows keep the flag byte at the start of the copy.
    if (isSaskaRow(ctx.device.deviceCode.value) && copy.size() > kHeaderCopyFlags)
        copy[kHeaderCopyFlags] = copy[0];
    reports.headerCopy = std::move(copy);
    reports.headerCopyRead = true;
    return true;
}

std::uint8_t headerCopyByte(std::size_t offset)
{
    const std::vector<std::uint8_t>& copy = ctx.reports.headerCopy;
    return offset < copy.size() ? copy[offset] : 0xFF;
}

bool currencyOf(std::uint32_t recordIndex, std::string& currency)
{
    if (recordIndex != kNoRecord) {
        DecodedRecord r;
        if (!decodeRecord(recordIndex, r))
            return false;
        currency = r.currencyText;
        return true;
    }
    if (!readHeaderCopy())
        return false;
    currency.clear();
    for (std::size_t k = 0; k < 3; ++k) {
        const std::uint8_t c = headerCopyByte(kHeaderCopyCurrency + k);
        if (c < 32 || c == 0xFF) {
            currency = "PLN";
            return true;
        }
        currency += static_cast<char>(c);
    }
    return true;
}

bool ramClearCount(std::uint32_t& count)
{
    if (const auto reported = informationByte(kRamClearBlock, kRamClearByte)) {
        count = *reported;
        return true;
    }
    if (!recordGeometryReady())
        return false;
    // The count depends on record types and numbers alone: kept records may answer.
    const KeptRecordsMayAnswer typesAndNumbersOnly;
    count = 0;
    for (std::uint32_t i = 0; i <= lastRecordIndex(); ++i) {
        if (!readRecord(i))
            return false;
        if (isEmpty(i))
            break;
        if (isValid(i) && isPresent(i) && isRamClear(i))
            count = cachedRecord(i).body[4];
    }
    return true;
}

}
