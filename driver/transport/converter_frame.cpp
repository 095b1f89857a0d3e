#include "driver/transport/converter_frame.h"

#include "driver/transport/crc16.h"

namespace kelvo::drv {

namespace {

class Packer {
public:
    explicit Packer(std::vector<std::uint8_t>& line) : line_(line) {}

    void put(std::uint8_t content)
    {
        if (counter_ == 0) {
            group_ = line_.size();
            line_.push_back(0x80);
        }
        if (content & 0x80)
            line_[group_] |= static_cast<std::uint8_t>(1u << (6 - counter_));
        line_.push_back(static_cast<std::uint8_t>(content | 0x80));
        counter_ = (counter_ + 1) % 7;
    }

private:
    std::vector<std::uint8_t>& line_;
    std::size_t group_ = 0;
    unsigned counter_ = 0;
};

}

std::size_t packedLength(std::size_t contentBytes)
{
    return contentBytes + (contentBytes + 6) / 7;
}

std::optional<std::vector<std::uint8_t>> buildFrame(std::span<const std::uint8_t> body)
{
    const std::size_t packed = packedLength(body.size() + 3);
    if (packed > 0xFF)
        return std::nullopt;
    std::vector<std::uint8_t> line(std::begin(kPreamble), std::end(kPreamble));
    const auto length = static_cast<std::uint8_t>(packed);
    Packer packer(line);
    std::uint16_t crc = crc16Update(0, length);
    packer.put(length);
    for (std::uint8_t byte : body) {
        crc = crc16Update(crc, byte);
        packer.put(byte);
    }
    packer.put(static_cast<std::uint8_t>(crc & 0xFF));
    packer.put(static_cast<std::uint8_t>(crc >> 8));
    return line;
}

std::vector<std::uint8_t> unpack(std::span<const std::uint8_t> packed)
{
    std::vector<std::uint8_t> content;
    std::uint8_t group = 0;
    unsigned counter = 0;
    for (std::uint8_t byte : packed) {
        if (counter == 0) {
            group = byte;
            counter = 1;
            continue;
        }
        const bool top = group & (1u << (7 - counter));
        content.push_back(static_cast<std::uint8_t>((byte & 0x7F) | (top ? 0x80 : 0)));
        counter = counter == 7 ? 0 : counter + 1;
    }
    return content;
}

bool FrameReceiver::take(std::uint8_t byte)
{
    received_ = true;
    if (matched_ < sizeof(kPreamble)) {
        if (byte == kPreamble[matched_]) {
            ++matched_;
        } else {
            matched_ = byte == kPreamble[0] ? 1 : 0;
        }
        return false;
    }
    line_.push_back(byte);
    if (line_.size() == 2)
        expected_ = static_cast<std::size_t>((line_[1] & 0x7F) | ((line_[0] & 0x40) << 1));
    return line_.size() >= 2 && line_.size() >= expected_;
}

std::optional<std::vector<std::uint8_t>> FrameReceiver::content() const
{
    std::vector<std::uint8_t> content = unpack(line_);
    if (content.size() < 4 || crc16(content) != 0)
        return std::nullopt;
    return content;
}

}
