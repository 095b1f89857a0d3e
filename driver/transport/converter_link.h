// Register transactions through a line converter: one frame out, one frame
// back, with the converter's repair dialogue when the answer is damaged,
// incomplete or asks for settings. Converter framing is a link of its own
// that wraps the line it runs on.
#pragma once

#include <cstdint>
#include <span>

#include "driver/transport/link_operations.h"

namespace kelvo::drv {

// The control byte's line part: the line channel and the 19200 bit/s flag.
std::uint8_t lineControl();

// The control byte of a register transaction.
std::uint8_t transactionControl(bool firstThenData, bool dataFirst);

// Sends a register transaction (control byte onwards, without the length
// and CRC) over the line and receives its answer into the converter data.
void converterTransaction(const LinkOperations& line, std::span<const std::uint8_t> body);

// Sends converter command type with its data over the line and receives the answer.
void converterCommand(const LinkOperations& line, std::uint8_t type, std::span<const std::uint8_t> data);

// Converter framing around each of the lines.
extern const LinkOperations kFramedSerialLine;
extern const LinkOperations kFramedConverterSerialLine;
extern const LinkOperations kFramedTcpLine;

}
