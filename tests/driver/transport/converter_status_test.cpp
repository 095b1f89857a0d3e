// The converter's answer status as the link judges it: its own faults in
// the low four bits first, then the settings it asks for by the bits 0x10,
// 0x20 and 0x40, then the line's time-outs and "more follows". The answers
// come from a scripted line: no simulated converter sends these statuses.
#include <deque>
#include <gtest/gtest.h>
#include <vector>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/converter_frame.h"
#include "driver/transport/converter_link.h"

using namespace kelvo::drv;

namespace {

std::deque<std::uint8_t> answerBytes;
std::vector<std::vector<std::uint8_t>> framesSent;

bool lineOpen()
{
    return true;
}

void lineClosed() { }

bool sent(std::span<const std::uint8_t> frame)
{
    framesSent.emplace_back(frame.begin(), frame.end());
    return true;
}

bool scriptedByte(std::uint8_t& byte, std::uint8_t timeoutCondition)
{
    if (answerBytes.empty()) {
        failWith(timeoutCondition);
        return false;
    }
    byte = answerBytes.front();
    answerBytes.pop_front();
    return true;
}

void purged() { }

const LinkOperations kScriptedLine {lineOpen, lineClosed, sent, scriptedByte, purged, nothingToDo, nothingToDo,
    condition::ConverterSilent, nothingToDo, noTransaction, true, nothingToDo};

class ConverterStatusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx.request.converter = ConverterData {};
        ctx.connection.lineChannel = 1;
        framesSent.clear();
    }

    // The converter command 6 answered by a frame of the status and two data
    // bytes; true when the stored result is the condition's.
    bool answeredWith(std::uint8_t status, std::uint8_t condition, bool continuing = false)
    {
        ctx.request.converter.continuation = continuing;
        storeCondition(condition::Success);
        const std::vector<std::uint8_t> body {status, 0x41, 0x42};
        const auto frame = buildFrame(body).value();
        answerBytes.assign(frame.begin(), frame.end());
        converterCommand(kScriptedLine, 6, {});
        return conditionIs(condition);
    }
};

}

TEST_F(ConverterStatusTest, TheLowFourBitsAndTheSettingBitsInTheirOrder)
{
    EXPECT_TRUE(answeredWith(0x00, condition::Success));
    EXPECT_EQ(ctx.request.converter.data, (std::vector<std::uint8_t> {0x41, 0x42}));
    EXPECT_TRUE(answeredWith(0x01, condition::ConverterStatus1));
    EXPECT_TRUE(answeredWith(0x02, condition::ConverterStatus2));
    EXPECT_TRUE(answeredWith(0x03, condition::ConverterStatus3));
    EXPECT_TRUE(answeredWith(0x04, condition::ConverterStatus4));
    EXPECT_TRUE(answeredWith(0x11, condition::ConverterStatus1)) << "the converter's own fault comes first";
    EXPECT_TRUE(answeredWith(0x10, condition::ConverterIdentifier));
    EXPECT_TRUE(answeredWith(0x20, condition::ConverterWriteTimeout));
    EXPECT_TRUE(answeredWith(0x40, condition::ConverterReadTimeout));
    EXPECT_TRUE(answeredWith(0x70, condition::ConverterIdentifier)) << "the identifier is asked for first";
    EXPECT_TRUE(answeredWith(0x65, condition::ConverterWriteTimeout)) << "a setting comes before the line's time-outs";
    EXPECT_TRUE(answeredWith(0x05, condition::TransmitTimeout));
    EXPECT_TRUE(answeredWith(0x06, condition::ReceiveTimeout));
    EXPECT_TRUE(answeredWith(0x07, condition::ConverterStatus7));
    for (std::uint8_t other = 0x09; other <= 0x0F; ++other)
        EXPECT_TRUE(answeredWith(other, condition::ConverterStatusOther)) << int {other};
    EXPECT_TRUE(answeredWith(0x80, condition::ConverterStatusOther)) << "no code and no setting asked for";
}

TEST_F(ConverterStatusTest, MoreFollowsKeepsThePartAndAppendsTheNext)
{
    EXPECT_TRUE(answeredWith(0x08, condition::MoreParts));
    EXPECT_TRUE(ctx.request.converter.continuation);
    EXPECT_TRUE(answeredWith(0x08, condition::Success, true)) << "a further part while continuing is taken as done";
    EXPECT_FALSE(ctx.request.converter.continuation);
    EXPECT_EQ(ctx.request.converter.data, (std::vector<std::uint8_t> {0x41, 0x42, 0x41, 0x42}));
}

TEST_F(ConverterStatusTest, CommandTypesOutsideOneToNineAreRefusedUnsent)
{
    storeCondition(condition::Success);
    converterCommand(kScriptedLine, 0, {});
    EXPECT_TRUE(conditionIs(condition::ConverterStatus2));
    storeCondition(condition::Success);
    converterCommand(kScriptedLine, 10, {});
    EXPECT_TRUE(conditionIs(condition::ConverterStatus2));
    EXPECT_TRUE(framesSent.empty());

    // Types 4, 5 and 9 carry two data bytes, 2 and 3 eight, 7 one, 6 none.
    const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::pair<std::uint8_t, std::size_t> lengths[] = {{2, 8}, {3, 8}, {4, 2}, {5, 2}, {6, 0}, {7, 1}, {8, 0}, {9, 2}};
    for (const auto& [type, length] : lengths) {
        framesSent.clear();
        storeCondition(condition::Success);
        const auto frame = buildFrame(std::vector<std::uint8_t> {0x00}).value();
        answerBytes.assign(frame.begin(), frame.end());
        converterCommand(kScriptedLine, type, data);
        EXPECT_TRUE(isSuccess()) << "type " << int {type};
        ASSERT_EQ(framesSent.size(), 1u);
        std::vector<std::uint8_t> body {lineControl(), 0, 0, 0, type};
        body.insert(body.end(), data, data + length);
        EXPECT_EQ(framesSent[0], buildFrame(body).value()) << "type " << int {type};
    }
}
