// Readers of the device identity items: each fills its item once, from an
// information block when the register hands them over, else from the older
// requests or the model table. False when a request failed (the result
// code tells why).
#pragma once

#include <cstdint>
#include <optional>

namespace kelvo::drv {

// Byte index of information block 0, 1 or 128; nothing, without an error,
// when the register has no such blocks or the block is shorter.
std::optional<std::uint8_t> informationByte(std::uint8_t block, std::uint8_t index);

bool readDeviceCode();
bool readVersion();
bool readVersionLetter();
bool readUniqueNumber();
bool readRegisterNumber();
bool readModelName();
bool readLineWidth();
bool readHeaderLineCount();
bool readGeneration();
bool readMemoryGeometry();

// The register number as a value, when its two characters are decimal digits.
std::optional<std::uint8_t> registerNumberValue();

}
