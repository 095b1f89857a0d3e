// The port layer: serial and parallel ports for the link layer, exported
// under the names of the C interface (include/kelvo/kelvodrv.h) and working
// on the port record of the current selector in ctx.ports. These are the
// rules it follows besides.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/core/context.h"
#include "platform/serial_port.h"

namespace kelvo::drv {

// The device name the driver opens: "\\.\" + kind ("COM" or "LPT") + number.
std::string portDeviceName(std::string_view kind, std::uint8_t number);

// Gives the open port of the current selector new time-outs in seconds, as
// an open with them would (a port kept open for a later command).
void setPortTimeoutSeconds(std::uint32_t writeTimeout, std::uint32_t readTimeout);

// The layer's pauses: a plain sleep.
void portPause(std::uint32_t milliseconds);

// After the output has drained, the pause that covers the last character
// still in flight at this speed.
std::uint32_t charSentPauseMs(std::uint32_t speed);

// DTR and RTS that select a channel (1 to 4) of a line-switched multiplexer.
struct MultiplexerLines {
    bool dtr = false;
    bool rts = false;
};
std::optional<MultiplexerLines> multiplexerLines(std::uint8_t channel);

// The line errors that happened between two looks at the error counters.
LineErrorFlags lineErrorsBetween(const platform::LineErrorCounts& before, const platform::LineErrorCounts& after);

}
