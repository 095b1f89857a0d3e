// The parameters the front end passes to the driver, shared by its windows,
// and the other values one run of the program carries between them.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::frontend {

struct ParameterRecord {
    std::int32_t port = 0;
    std::int32_t speed = 0;
    std::int32_t multiplexerType = 0;  // 0 direct, 1 four-channel, 4 eight-channel multiplexer
    std::int32_t channel = 0;
    std::int32_t portTimeout = 0;      // seconds: 2 for the identity commands, 5 for the report
    std::int32_t reportVariant = 0;    // 0 detailed, 1 short
    std::int32_t reportKind = 0;       // 1 to 8; 0 until one is chosen
    std::int32_t numberFrom = 0;
    std::int32_t numberTo = 0;
    std::int32_t month = 0;
    std::int32_t year = 0;
    std::int32_t firstDay = 0;
    std::int32_t firstMonth = 0;
    std::int32_t firstYear = 0;
    std::int32_t lastDay = 0;
    std::int32_t lastMonth = 0;
    std::int32_t lastYear = 0;
    std::uint8_t registerNumber = 0;
    // A link the window's three kinds cannot describe (a line converter, TCP):
    // the port setting (field 2) and the fields after the time-out (from the
    // identifier on) of the configuration line, written as they stand. Empty
    // for the window's kinds, which the fields above describe.
    std::string linkPort;
    std::string linkTail;
};

struct Session {
    ParameterRecord record;
    std::string startFolder;
    std::string workingFolder;
    std::string uniqueNumber;
    bool settlementEnabled = true;
};

}
