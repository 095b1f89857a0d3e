// The link to the register: opened by a command's prelude, closed by its
// finish unless it is kept open. It works through the operations table of
// its route and so never knows whether the register is reached by a serial
// line, through a line converter, or over TCP.
#pragma once

#include <cstdint>
#include <span>

#include "driver/transport/link_operations.h"

namespace kelvo::drv {

// Opens the connection the configuration line describes; a failed open leaves
// the link closed (the frame then reports that the port cannot be opened).
// True when a connection was made now, false for a failure or a kept-open link.
bool openLink();

// Closes the link unless the keep-open flag is set and the line is still alive.
void closeLink();

// Closes the link whatever the keep-open flag says.
void dropLink();

// The operations of the open link, or of the configured route while none is open.
const LinkOperations& activeLink();

// Sends bytes through the link; false on failure.
bool sendBytes(std::span<const std::uint8_t> bytes);

// The next answer byte; a time-out stores the link's time-out condition.
bool receiveByte(std::uint8_t& byte);

}
