// Keys of daily reports: a date or a report number, and how they compare.
#include <kelvo/kelvodrv_contract.h>

#include "driver/core/context.h"
#include "driver/reports/records.h"

namespace kelvo::drv {

namespace {

std::uint32_t keyValue(bool byNumber, const RecordKey& key)
{
    if (byNumber)
        return key.number;
    return std::uint32_t{key.year} * 65536 + std::uint32_t{key.month} * 256 + key.day;
}

}

bool isMonthlyKind(std::uint8_t kind)
{
    return kind == KELVODRV_KIND_MONTH || kind == KELVODRV_KIND_PREVIOUS_MONTH;
}

bool isByNumberKind(std::uint8_t kind)
{
    return kind == KELVODRV_KIND_NUMBERS || kind == KELVODRV_KIND_SETTLEMENT_NUMBERS
        || kind == KELVODRV_KIND_SETTLEMENT_WHOLE;
}

bool isSettlementKind(std::uint8_t kind)
{
    return kind == KELVODRV_KIND_SETTLEMENT_DATES || kind == KELVODRV_KIND_SETTLEMENT_NUMBERS
        || kind == KELVODRV_KIND_SETTLEMENT_WHOLE;
}

std::uint8_t bcdValue(std::uint8_t b)
{
    return static_cast<std::uint8_t>((b >> 4) * 10 + (b & 0x0F));
}

RecordKey dateKey(std::uint8_t year, std::uint8_t month, std::uint8_t day)
{
    return RecordKey {year, month, day, 0};
}

RecordKey numberKey(std::uint16_t number)
{
    return RecordKey {0, 0, 0, number};
}

RecordKey recordKey(bool byNumber, std::uint32_t index)
{
    const auto& body = cachedRecord(index).body;
    if (byNumber)
        return numberKey(static_cast<std::uint16_t>(body[4] | (body[5] << 8)));
    return dateKey(bcdValue(body[1]), bcdValue(body[2]), bcdValue(body[3]));
}

std::uint8_t compareKeys(bool byNumber, const RecordKey& a, const RecordKey& b)
{
    const std::uint32_t left = keyValue(byNumber, a);
    const std::uint32_t right = keyValue(byNumber, b);
    if (left == right)
        return 0;
    return right > left ? 2 : 1;
}

bool keyInRange(bool byNumber, const RecordKey& key)
{
    // Two-digit years of 50 and above lie outside what the register can hold.
    return byNumber || key.year < 50;
}

}
