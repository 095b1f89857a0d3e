// The answers of the registers that print the periodic report themselves:
// each format has a reader that collects the whole answer into the answer
// buffer and a converter that turns it into report lines. Converting starts
// only once the answer is complete, so a time-out or a damaged block writes
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelvo::drv::printed {

// The largest answer the command takes.
inline constexpr std::size_t kAnswerLimit = 10485760;

// The answer collected so far, in one block reserved for the largest answer.
class AnswerBuffer {
public:
    AnswerBuffer() { bytes_.reserve(kAnswerLimit); }
    // False, with error 23 stored, when the answer would not fit.
    bool add(std::uint8_t byte);
    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// The next byte from the register; a time-out stores the link's condition.
bool receive(std::uint8_t& byte);

// The register's result code of the report: 0 lets it go on, any other value
// stores its error (codes 6 to 9 are known only to the ETX block registers).
bool registerAccepted(std::uint8_t code, bool etxBlock);

// A line of code page 852 characters: converted to Windows-1250, padded with
// blanks to width, its blanks made "?" when asked, written to the output
// file (17 on a failed write).
bool writeLine(std::string text, std::size_t width, bool questionMarks = false);

// X000029X: result byte, then 42-byte lines up to a 128 at a line start.
bool receiveFixedLines(AnswerBuffer& answer);
bool writeFixedLines(std::span<const std::uint8_t> answer);

// X000031X: text up to ETX, status byte and CRC.
bool receiveEtxBlock(AnswerBuffer& answer);
bool writeEtxBlock(std::span<const std::uint8_t> answer);

// X000033X: result byte, then a print stream up to BEL.
bool receivePrintStream(AnswerBuffer& answer);
bool writePrintStream(std::span<const std::uint8_t> answer);

}
