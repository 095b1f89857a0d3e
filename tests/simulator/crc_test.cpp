#include "simulator/crc16.h"

#include <gtest/gtest.h>

#include <array>

namespace kelvo::sim {
namespace {

TEST(Crc16, KnownValues)
{
    const std::array<std::uint8_t, 9> digits{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16(digits), 0xBB3D);  // the CRC-16/ARC check value
    const std::array<std::uint8_t, 6> converterCommand{0x0A, 0x00, 0x00, 0x00, 0x00, 0x06};
    EXPECT_EQ(crc16(converterCommand), 0xA880);
    // Content followed by its CRC, low byte first, leaves zero.
    const std::array<std::uint8_t, 8> whole{0x0A, 0x00, 0x00, 0x00, 0x00, 0x06, 0x80, 0xA8};
    EXPECT_EQ(crc16(whole), 0);
}

}
}
