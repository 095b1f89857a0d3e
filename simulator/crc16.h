// CRC-16 with the reflected polynomial 0xA001, initial value 0 and no final
// XOR. Converter frames and the records of the newer fiscal memories carry it.
#pragma once

#include <cstdint>
#include <span>

namespace kelvo::sim {

std::uint16_t crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

}
