// The periodic reports that the Gilon and Votra registers print themselves
// and hand over: after ESC "1" the driver sends a request frame naming the
// kind and range, and the register answers with the report lines in its own
// format (42-byte lines, a text block with a CRC, or a print stream).
#pragma once

#include "simulator/bytes.h"
#include "simulator/models.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::sim {

enum class PrintedFormat : std::uint8_t { None, FixedLines, EtxBlock, PrintStream };

PrintedFormat printedFormatOf(ModelRow row);

// One line of a printed report: a text (UTF-8, sent in code page 852), or
// bytes sent as they are.
struct PrintedLine {
    std::string text;
    bool doubleWidth = false;
    std::optional<Bytes> raw;
};

// The lines a register prints for a request; without a request text the
// entry serves any request.
struct PrintedReport {
    std::optional<std::string> request;
    std::vector<PrintedLine> lines;
};

// The pairs whose sums make the settlement access code.
using AccessPairs = std::array<std::array<std::uint8_t, 2>, 4>;

// The bytes of a request frame that starts with this byte, 0 for a byte that
// starts none.
std::size_t requestFrameLength(std::uint8_t first);

// What a complete frame asks for, as the scenario and the log write it:
// "monthly 12.01", "dates 12.01.05 12.01.31", "numbers 1 2",
// "settlement-dates ...", "settlement-numbers 1 2", "settlement-whole".
struct FrameRequest {
    std::string text;
    bool settlement = false;
    Bytes accessCode;  // four bytes
    Bytes clockDate;   // six digit values
};
FrameRequest readRequestFrame(const Bytes& frame);

// The whole answer after the frame. result is the register's result code
// (0: the report follows); oversized runs the answer past 10 MiB without its end.
struct AnswerShape {
    std::uint8_t result = 0;
    bool badCrc = false;
    bool oversized = false;
};
Bytes printedAnswer(PrintedFormat format, const std::vector<PrintedLine>& lines, const AnswerShape& shape);

// UTF-8 text with the Polish letters in code page 852 (other characters
// beyond ASCII become '?').
Bytes codePage852(std::string_view utf8);

}
