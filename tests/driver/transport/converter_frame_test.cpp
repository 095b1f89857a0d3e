#include "driver/transport/converter_frame.h"

#include <gtest/gtest.h>
#include <string_view>

#include "driver/core/context.h"
#include "driver/transport/converter_link.h"
#include "driver/transport/crc16.h"

using namespace kelvo::drv;

namespace {

std::vector<std::uint8_t> afterPreamble(const std::vector<std::uint8_t>& line)
{
    return {line.begin() + 5, line.end()};
}

}

TEST(ConverterFrame, ResendCommandOnTheLine)
{
    const std::uint8_t body[] = {0x00, 0x00, 0x00, 0x00, 0x06};
    const auto line = buildFrame(body).value();
    ASSERT_EQ(line.size(), 15u);
    EXPECT_EQ(std::string(line.begin(), line.begin() + 5), "KELVO");
    EXPECT_EQ(afterPreamble(line), (std::vector<std::uint8_t> {0x81, 0x8A, 0x80, 0x80, 0x80, 0x80, 0x86, 0x80, 0xC0, 0xA8}));

    const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16(check), 0xBB3D);
    const std::uint8_t content[] = {0x0A, 0x00, 0x00, 0x00, 0x00, 0x06};
    EXPECT_EQ(crc16(content), 0xA880);
}

TEST(ConverterFrame, BodyTooLongForTheLengthByteIsRefused)
{
    // 220 body bytes and the length and CRC pack into 255 line bytes, the most N can tell.
    const std::vector<std::uint8_t> longest(220, 0x41);
    const auto frame = buildFrame(longest);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), 5u + 255u);
    EXPECT_EQ(unpack(afterPreamble(*frame))[0], 255);

    FrameReceiver receiver;
    bool complete = false;
    for (std::uint8_t byte : *frame)
        complete = receiver.take(byte);
    EXPECT_TRUE(complete);
    EXPECT_TRUE(receiver.content().has_value()) << "the longest frame is received whole";

    const std::vector<std::uint8_t> tooLong(221, 0x41);
    EXPECT_FALSE(buildFrame(tooLong).has_value()) << "a length byte that would wrap is not sent";
    EXPECT_FALSE(buildFrame(std::vector<std::uint8_t>(255 + 6, 0)).has_value());
}

TEST(ConverterFrame, PackingLengthsAndTopBits)
{
    EXPECT_EQ(packedLength(7), 8u);
    EXPECT_EQ(packedLength(8), 10u);
    EXPECT_EQ(packedLength(14), 16u);

    // Seven content bytes (length, 0xFF, 0x00, 0x7F, 0x80 and the CRC).
    const std::uint8_t body[] = {0xFF, 0x00, 0x7F, 0x80};
    const auto line = afterPreamble(buildFrame(body).value());
    ASSERT_EQ(line.size(), 8u);
    const std::uint8_t head[] = {8, 0xFF, 0x00, 0x7F, 0x80};
    const std::uint16_t crc = crc16(head);
    const std::uint8_t group = 0x80 | 0x20 | 0x04 | ((crc & 0x80) ? 0x02 : 0) | ((crc & 0x8000) ? 0x01 : 0);
    EXPECT_EQ(line[0], group) << "the group byte carries the top bits of 0xFF and 0x80 and of the CRC";
    EXPECT_EQ(line[2], 0xFF) << "0xFF travels as 0xFF";
    EXPECT_EQ(line[3], 0x80) << "0x00 travels as 0x80";
    for (std::uint8_t byte : line)
        EXPECT_TRUE(byte & 0x80);
    const auto content = unpack(line);
    ASSERT_EQ(content.size(), 7u);
    EXPECT_EQ(content[0], 8);
    EXPECT_EQ(std::vector<std::uint8_t>(content.begin() + 1, content.begin() + 5), std::vector<std::uint8_t>(body, body + 4));
    EXPECT_EQ(crc16(content), 0) << "the whole content with its CRC checks to zero";
}

TEST(ConverterFrame, ReceiverFindsThePreambleAfterStrayBytes)
{
    // An answer: status 0 and three data bytes, as a converter sends it.
    const std::uint8_t body[] = {0x00, 0x06, 0x31, 0xFF};
    const auto frame = buildFrame(body).value();
    std::vector<std::uint8_t> line {0x13, 'K', 'E', 'X'};
    line.insert(line.end(), frame.begin(), frame.end());

    FrameReceiver receiver;
    std::size_t used = 0;
    bool complete = false;
    for (std::uint8_t byte : line) {
        ++used;
        if ((complete = receiver.take(byte)))
            break;
    }
    ASSERT_TRUE(complete);
    EXPECT_EQ(used, line.size()) << "complete exactly at the frame's last byte";
    const auto content = receiver.content();
    ASSERT_TRUE(content.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(content->begin() + 1, content->end() - 2),
        std::vector<std::uint8_t>(std::begin(body), std::end(body)));

    FrameReceiver damaged;
    auto broken = frame;
    broken[8] ^= 0x01;
    for (std::uint8_t byte : broken)
        if (damaged.take(byte))
            break;
    EXPECT_FALSE(damaged.content().has_value()) << "a changed bit fails the CRC";
}

TEST(ConverterFrame, ControlByteOfATransaction)
{
    kelvo::drv::ctx.connection.lineChannel = 1;
    kelvo::drv::ctx.connection.lineSpeed = 19200;
    EXPECT_EQ(transactionControl(true, false), 0x38) << "19200 bit/s, data after a first answer, a register request";
    kelvo::drv::ctx.connection.lineChannel = 3;
    kelvo::drv::ctx.connection.lineSpeed = 9600;
    EXPECT_EQ(transactionControl(false, true), 0x62);
    EXPECT_EQ(lineControl(), 0x02);
    kelvo::drv::resetProcessState();
}
