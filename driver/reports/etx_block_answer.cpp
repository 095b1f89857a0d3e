// X000031X's answer: the report text up to ETX, a status byte and a CRC-16
// over the whole block. The text is cut into lines of at most the printer
// line width.
#include "driver/reports/printed_answers.h"

#include "driver/core/context.h"
#include "driver/core/control_bytes.h"
#include "driver/core/result_codes.h"
#include "driver/transport/crc16.h"

namespace kelvo::drv::printed {

namespace {

constexpr std::size_t kAfterEtx = 3;  // status, CRC low and high byte

// The register's own mark, printed once a line, is left out.
void dropMark(std::string& line)
{
    const std::size_t mark = line.find(" PL ");
    if (mark != std::string::npos)
        line.replace(mark, 4, "  ");
}

bool writeCut(std::string& line, std::size_t width)
{
    dropMark(line);
    const bool written = writeLine(line, width);
    line.clear();
    return written;
}

}

bool receiveEtxBlock(AnswerBuffer& answer)
{
    std::uint8_t byte = 0;
    do {
        if (!receive(byte) || !answer.add(byte))
            return false;
    } while (byte != kEtx);
    for (std::size_t k = 0; k < kAfterEtx; ++k)
        if (!receive(byte) || !answer.add(byte))
            return false;
    if (crc16(answer.bytes()) != 0) {
        failWith(condition::Checksum);
        return false;
    }
    return registerAccepted(answer.bytes()[answer.bytes().size() - kAfterEtx], true);
}

bool writeEtxBlock(std::span<const std::uint8_t> answer)
{
    const std::size_t width = ctx.device.lineWidth.value;
    const std::span<const std::uint8_t> text = answer.first(answer.size() - kAfterEtx - 1);
    std::string line;
    bool cutAtWidth = false;  // the last line was cut for reaching the width
    for (const std::uint8_t c : text) {
        if (c == kLineFeed) {
            if (!cutAtWidth && !writeCut(line, width))
                return false;
            cutAtWidth = false;
            continue;
        }
        if (c < ' ') {
            failWith(condition::WrongAnswer);
            return false;
        }
        line += static_cast<char>(c);
        cutAtWidth = false;
        if (line.size() == width) {
            if (!writeCut(line, width))
                return false;
            cutAtWidth = true;
        }
    }
    return true;
}

}
