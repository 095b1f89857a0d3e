// CRC-16/ARC: reflected polynomial 0xA001, initial value 0, no final XOR.
// Converter frames and fiscal memory records are checked with it.
#pragma once

#include <cstdint>
#include <span>

namespace kelvo::drv {

std::uint16_t crc16Update(std::uint16_t crc, std::uint8_t byte);
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

}
