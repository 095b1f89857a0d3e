#include "exchange.h"
#include "simulator/converter.h"
#include "simulator/converter_frame.h"
#include "simulator/crc16.h"

#include <gtest/gtest.h>

namespace kelvo::sim {
namespace {

using test::talk;

Bytes afterPreamble(const Bytes& line)
{
    return Bytes(line.begin() + 5, line.end());
}

// Content of a register transaction frame: control, c, n, record length, ESC, command, data.
Bytes transactionPayload(std::uint8_t control, std::uint8_t c, std::uint8_t n, std::uint8_t recordLength,
                         std::uint8_t command, std::initializer_list<std::uint8_t> data)
{
    Bytes payload{control, c, n, recordLength, kEsc, command};
    for (std::uint8_t byte : data)
        payload.push_back(byte);
    return payload;
}

// Status byte and data of an answer frame.
Bytes answerPayload(const Bytes& line)
{
    EXPECT_GE(line.size(), 5u);
    const Bytes content = unpackLine(afterPreamble(line));
    EXPECT_EQ(crc16(content), 0) << toHex(line);
    EXPECT_EQ(content.at(0), line.size() - 5);
    return Bytes(content.begin() + 1, content.end() - 2);
}

TEST(ConverterFrame, CommandSixOnChannelOneAt9600)
{
    // Converter command 6: control 0 (line channel 1, 9600 bit/s, no register transaction),
    // three zero lengths, the type.
    const Bytes payload{0x00, 0x00, 0x00, 0x00, 0x06};
    const Bytes line = packFrame(payload);
    EXPECT_EQ(toHex(Bytes(line.begin(), line.begin() + 5)), "4B 45 4C 56 4F");
    EXPECT_EQ(toHex(afterPreamble(line)), "81 8A 80 80 80 80 86 80 C0 A8");
}

TEST(ConverterFrame, PackingLengthsAndTopBits)
{
    // Content of 7 bytes takes 8 line bytes, of 8 bytes 10 (N and the CRC included).
    EXPECT_EQ(packFrame(Bytes(4, 0)).size(), 5u + 8u);
    EXPECT_EQ(packFrame(Bytes(5, 0)).size(), 5u + 10u);
    const Bytes line = packFrame(Bytes{0xFF, 0x00});
    const Bytes packed = afterPreamble(line);
    EXPECT_EQ(packed[2], 0xFF);                    // 0xFF travels as it is
    EXPECT_EQ(packed[3], 0x80);                    // 0x00 travels as 0x80
    EXPECT_TRUE(packed[0] & (1u << 5));            // and 0xFF's top bit sits in the group byte
    for (std::size_t k = 0; k < packed.size(); ++k) EXPECT_TRUE(packed[k] & 0x80) << k;
    EXPECT_THROW(packFrame(Bytes(maxFramePayload + 10, 0)), std::length_error);
}

TEST(ConverterFrame, ReaderFindsFrameAfterStrayBytesAndChecksCrc)
{
    Bytes stream{'K', 'E', 0x13, 'K'};
    const Bytes line = packFrame(Bytes{0x20, 1, 4, 0, kEsc, 0xFE});
    stream.insert(stream.end(), line.begin(), line.end());
    FrameReader reader;
    std::optional<ReceivedFrame> frame;
    for (std::uint8_t b : stream)
        if (auto f = reader.feed(b)) frame = f;
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->crcGood);
    EXPECT_EQ(frame->content.at(6), 0xFE);

    Bytes broken = line;
    broken.back() ^= 0x01;
    FrameReader second;
    std::optional<ReceivedFrame> bad;
    for (std::uint8_t b : broken)
        if (auto f = second.feed(b)) bad = f;
    ASSERT_TRUE(bad);
    EXPECT_FALSE(bad->crcGood);
}

class ConverterTest : public ::testing::Test {
protected:
    void start(std::vector<Fault> faults = {})
    {
        Scenario s;
        s.deviceCode = 121;
        Record r;
        r.type = RecordType::DayLabel;
        r.date = {2012, 1, 2};
        r.number = 1;
        r.label = "X";
        s.records.push_back(r);
        s.faults = std::move(faults);
        reg = std::make_unique<Register>(s, log);
        converter = std::make_unique<Converter>(*reg, log);
    }

    Bytes send(const Bytes& payload) { return talk(*converter, packFrame(payload)).bytes; }

    RequestLog log;
    std::unique_ptr<Register> reg;
    std::unique_ptr<Converter> converter;
};

TEST_F(ConverterTest, RegisterTransactionAnswersEveryRegisterByte)
{
    start();
    // Request 254: c = 4, n = 0.
    EXPECT_EQ(toHex(answerPayload(send(transactionPayload(0x20, 4, 0, 0, 254, {})))), "00 06 79 03 41");
    // Record read: first answer and data (0x10), data-first second answer (0x40).
    const Bytes record = answerPayload(send(transactionPayload(0x70, 1, 63, 0, 154, {0, 0})));
    ASSERT_EQ(record.size(), 1u + 1u + 63u);
    EXPECT_EQ(record[0], 0x00);
    EXPECT_EQ(record[1], kAck);
    EXPECT_EQ(record[2], 0x40 | 38);
}

TEST_F(ConverterTest, LongAnswerGoesInPartsThatSayMoreFollows)
{
    start({parseFault("converter-parts:50")});
    // Information block 0: ACK then 131 bytes, 132 in all: parts of 50, 50 and 32.
    Bytes first = answerPayload(send(transactionPayload(0x30, 1, 131, 0, 29, {3, 0})));
    EXPECT_EQ(first[0], 8);
    EXPECT_EQ(first.size(), 51u);
    const Bytes nextPart{0x00, 0, 0, 0, 8};
    Bytes second = answerPayload(send(nextPart));
    EXPECT_EQ(second[0], 8);
    Bytes third = answerPayload(send(nextPart));
    EXPECT_EQ(third[0], 0);
    EXPECT_EQ(third.size(), 33u);
    EXPECT_EQ(first[1], kAck);
    EXPECT_EQ(first[3], 73);   // valid count of block 0
    EXPECT_EQ(first[4], 121);  // device code
}

TEST_F(ConverterTest, BrokenCrcThenRepeatOnCommandSix)
{
    start({parseFault("converter-crc:1")});
    const Bytes line = send(transactionPayload(0x20, 2, 0, 0, 255, {}));
    const Bytes content = unpackLine(afterPreamble(line));
    EXPECT_NE(crc16(content), 0);
    EXPECT_EQ(toHex(answerPayload(send(Bytes{0x00, 0, 0, 0, 6}))), "00 06 79");
}

TEST_F(ConverterTest, RequestFrameWithBadCrcAndUnknownTypes)
{
    start();
    Bytes line = packFrame(transactionPayload(0x20, 2, 0, 0, 255, {}));
    line.back() ^= 0x01;
    EXPECT_EQ(toHex(answerPayload(talk(*converter, line).bytes)), "01");
    EXPECT_EQ(toHex(answerPayload(send(Bytes{0x00, 0, 0, 0, 12}))), "02");
    EXPECT_EQ(toHex(answerPayload(send(Bytes{0x00, 0, 0, 0, 9, 32, 0}))), "00");
    EXPECT_EQ(converter->speedCode(), 32);
    EXPECT_EQ(toHex(answerPayload(send(Bytes{0x00, 0, 0, 0, 2, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}))), "00");
    EXPECT_EQ(converter->linkIdentifier(), "ABCDEFGH");
    EXPECT_EQ(answerPayload(send(Bytes{0x00, 0, 0, 0, 1})).size(), 13u);
}

TEST_F(ConverterTest, SilentRegisterGivesStatusSix)
{
    start({parseFault("silent:53")});
    EXPECT_EQ(toHex(answerPayload(send(transactionPayload(0x20, 11, 0, 0, 53, {})))), "06");
}

}
}
