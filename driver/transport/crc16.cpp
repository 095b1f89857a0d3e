#include "driver/transport/crc16.h"

#include <array>

namespace kelvo::drv {

namespace {

constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table {};
    for (unsigned i = 0; i < table.size(); ++i) {
        std::uint16_t value = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? static_cast<std::uint16_t>((value >> 1) ^ 0xA001) : static_cast<std::uint16_t>(value >> 1);
        table[i] = value;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

}

std::uint16_t crc16Update(std::uint16_t crc, std::uint8_t byte)
{
    return static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ byte) & 0xFF]);
}

std::uint16_t crc16(std::span<const std::uint8_t> bytes)
{
    std::uint16_t crc = 0;
    for (std::uint8_t byte : bytes)
        crc = crc16Update(crc, byte);
    return crc;
}

}
