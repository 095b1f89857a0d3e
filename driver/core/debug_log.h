// The debug log of the co-operation with a port-sharing server: records go to
// standard output and are appended to "debug.txt" in the current folder.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <variant>

namespace kelvo::drv {

using LogArgument = std::variant<std::int32_t, std::string_view, char>;

// Fills the format's conversions (%s text, %d number with an optional
// one-digit width, %c character, %F text added to the log file's name) with
// the arguments in turn and writes the record behind "***DEBUG*".
void debugLog(std::string_view format, std::initializer_list<LogArgument> arguments);

// A driver record: "###DRIVER: ", the debug description, ", PID=", the
// process identifier, then the message.
void logDriverRecord(std::string_view message);

}
