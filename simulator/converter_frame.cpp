#include "simulator/converter_frame.h"

#include "simulator/crc16.h"

#include <stdexcept>

namespace kelvo::sim {

namespace {

class Packer {
public:
    explicit Packer(Bytes& out) : out_(out) {}

    void put(std::uint8_t byte)
    {
        if (counter_ == 0) {
            group_ = out_.size();
            out_.push_back(0x80);
        }
        if (byte & 0x80) out_[group_] |= static_cast<std::uint8_t>(1u << (6 - counter_));
        out_.push_back(static_cast<std::uint8_t>(byte | 0x80));
        counter_ = (counter_ + 1) % 7;
    }

private:
    Bytes& out_;
    std::size_t group_ = 0;
    unsigned counter_ = 0;
};

}

Bytes packFrame(std::span<const std::uint8_t> payload)
{
    const std::size_t contentLength = 1 + payload.size() + 2;
    const std::size_t lineLength = contentLength + (contentLength + 6) / 7;
    if (lineLength > 255) throw std::length_error("converter frame longer than 255 line bytes");

    Bytes content;
    content.reserve(contentLength);
    content.push_back(static_cast<std::uint8_t>(lineLength));
    content.insert(content.end(), payload.begin(), payload.end());
    const std::uint16_t crc = crc16(content);
    content.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    content.push_back(static_cast<std::uint8_t>(crc >> 8));

    Bytes line(framePreamble.begin(), framePreamble.end());
    Packer packer(line);
    for (std::uint8_t b : content) packer.put(b);
    return line;
}

Bytes unpackLine(std::span<const std::uint8_t> line)
{
    Bytes content;
    std::uint8_t group = 0;
    unsigned position = 7;
    for (std::uint8_t b : line) {
        if (position == 7) {
            group = b;
            position = 0;
            continue;
        }
        const bool top = group & (1u << (6 - position));
        content.push_back(static_cast<std::uint8_t>((b & 0x7F) | (top ? 0x80 : 0)));
        ++position;
    }
    return content;
}

void FrameReader::reset()
{
    line_.clear();
    matched_ = 0;
    expected_ = 0;
}

std::optional<ReceivedFrame> FrameReader::feed(std::uint8_t byte)
{
    if (matched_ < framePreamble.size()) {
        if (byte == framePreamble[matched_])
            ++matched_;
        else
            matched_ = byte == framePreamble[0] ? 1 : 0;
        return std::nullopt;
    }
    if (!(byte & 0x80)) {
        // Not a frame byte: start looking for a preamble again.
        reset();
        if (byte == framePreamble[0]) matched_ = 1;
        return std::nullopt;
    }
    line_.push_back(byte);
    if (line_.size() == 2) {
        // N from the first content byte, its top bit from the group byte.
        expected_ = (line_[1] & 0x7F) | ((line_[0] & 0x40) ? 0x80 : 0);
        if (expected_ < 2) {
            reset();
            return std::nullopt;
        }
    }
    if (expected_ == 0 || line_.size() < expected_) return std::nullopt;

    ReceivedFrame frame;
    frame.content = unpackLine(line_);
    frame.crcGood = frame.content.size() >= 3 && crc16(frame.content) == 0;
    reset();
    return frame;
}

}
