// The link to the register: opened by a command's prelude, closed by its
// finish unless it is kept open. It hides whether the register is reached by
// a serial line, through a line converter, or over TCP.
#pragma once

#include <cstdint>
#include <span>

namespace kelvo::drv {

// Opens the connection the configuration line describes; a failed open leaves
// the link closed (the frame then reports that the port cannot be opened).
void openLink();

// Closes the link unless the keep-open flag is set.
void closeLink();

// True when every register transaction travels in a converter frame.
bool frameMode();

// Sends bytes as they are (nothing in frame mode); false on failure.
bool sendBytes(std::span<const std::uint8_t> bytes);

// The next answer byte: from the converter's answer in frame mode, else from
// the line. Stores the failure's condition.
bool receiveByte(std::uint8_t& byte);

// Waits until the bytes sent are on the wire; false when that failed.
bool waitUntilSent();

// Drops what waits in the port's buffers (serial links only).
void purgeLine();

}
