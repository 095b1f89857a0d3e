// Register transactions through a line converter: one frame out, one frame
// back, with the converter's repair dialogue when the answer is damaged,
// incomplete or asks for settings.
#pragma once

#include <cstdint>
#include <span>

namespace kelvo::drv {

// The control byte's line part: the line channel and the 19200 bit/s flag.
std::uint8_t lineControl();

// The control byte of a register transaction.
std::uint8_t transactionControl(bool firstThenData, bool dataFirst);

// Sends a register transaction (control byte onwards, without the length
// and CRC) and receives its answer into the converter data.
void converterTransaction(std::span<const std::uint8_t> body);

// Sends converter command type with its data and receives the answer.
void converterCommand(std::uint8_t type, std::span<const std::uint8_t> data);

// The next byte of the converter data; past its end 0 and condition 45.
bool converterByte(std::uint8_t& byte);

}
