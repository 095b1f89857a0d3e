// X000029X's answer: 42-byte printout lines of one attribute byte, 40
// characters and LF, ended by a 128 where the next line would start.
#include "driver/reports/printed_answers.h"

#include "driver/core/control_bytes.h"
#include "driver/core/result_codes.h"
#include "driver/files/text_helpers.h"

namespace kelvo::drv::printed {

namespace {

constexpr std::size_t kLineBytes = 42;
constexpr std::size_t kCharacters = 40;
constexpr std::uint8_t kEnd = 128;
constexpr std::uint8_t kDoubleWidth = 0x10;

// Characters from 32 up stay, 2, 3 and 4 are dropped, other control
// characters become blanks.
std::string filtered(std::span<const std::uint8_t> characters)
{
    std::string text;
    for (const std::uint8_t c : characters) {
        if (c >= ' ')
            text += static_cast<char>(c);
        else if (c < 2 || c > 4)
            text += ' ';
    }
    return text;
}

}

bool receiveFixedLines(AnswerBuffer& answer)
{
    std::uint8_t byte = 0;
    if (!receive(byte) || !registerAccepted(byte, false))
        return false;
    while (receive(byte)) {
        if (byte == kEnd && answer.bytes().size() % kLineBytes == 0)
            return true;
        if (!answer.add(byte))
            return false;
    }
    return false;
}

bool writeFixedLines(std::span<const std::uint8_t> answer)
{
    for (std::size_t start = 0; start + kLineBytes <= answer.size(); start += kLineBytes) {
        const std::span<const std::uint8_t> line = answer.subspan(start, kLineBytes);
        if (line[kLineBytes - 1] != kLineFeed) {
            failWith(condition::WrongAnswer);
            return false;
        }
        std::string text = filtered(line.subspan(1, kCharacters));
        if ((line[0] & kDoubleWidth) != 0)
            text = spread(text.substr(0, kCharacters / 2), ' ', 1);
        if (!writeLine(text, kCharacters))
            return false;
    }
    return true;
}

}
