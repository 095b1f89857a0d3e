#include "simulator/crc16.h"

#include <array>

namespace kelvo::sim {

namespace {

constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t value = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? static_cast<std::uint16_t>((value >> 1) ^ 0xA001) : static_cast<std::uint16_t>(value >> 1);
        table[i] = value;
    }
    return table;
}

constexpr auto table = makeTable();

}

std::uint16_t crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc)
{
    for (std::uint8_t b : bytes)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ b) & 0xFF]);
    return crc;
}

}
