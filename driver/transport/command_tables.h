// How the register shapes its answer to each command: answers made of
// records, second answers that begin with data, first answers without a
// status byte.
#pragma once

#include <cstdint>
#include <optional>

namespace kelvo::drv {

struct RequestShape {
    std::uint8_t command;
    std::uint8_t c;  // first-answer length
    std::uint8_t b;  // request-data length
    std::uint8_t n;  // second-answer length
};

// The record length of a record answer, 0 for other answers, or nothing when
// the request is refused as it stands (an unknown sub-request of command 161).
std::optional<std::uint8_t> recordLength(const RequestShape& request, std::uint8_t firstDataByte);

bool secondAnswerStartsWithData(const RequestShape& request);

bool firstAnswerHasNoStatus(std::uint8_t command);

// True when the register is identified and its device code passes the
// capability test of the model table.
bool identifiedAs(bool (*test)(std::uint8_t));

}
