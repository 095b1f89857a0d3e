// The memory geometry from an information block the register has handed over.
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/device/identity_readers.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;

namespace {

class IdentityReadersTest : public kelvo::test::DriverTest {
protected:
    // Block 0 as read from the register, with the record count at bytes 30 and
    // 31; the register has no block 1.
    void blockZeroWithRecords(std::uint16_t records)
    {
        InformationBlock& block = ctx.device.blocks[0];
        block.state = InformationBlock::State::Read;
        block.validCount = 127;
        block.bytes.fill(0);
        block.bytes[30] = static_cast<std::uint8_t>(records >> 8);
        block.bytes[31] = static_cast<std::uint8_t>(records & 0xFF);
        block.bytes[32] = 63;
        block.bytes[33] = 1;
        block.bytes[72] = 1;
        ctx.device.blocks[1].state = InformationBlock::State::NotSupported;
    }
};

}

TEST_F(IdentityReadersTest, RecordCountGivesTheLastIndex)
{
    blockZeroWithRecords(4000);
    ASSERT_TRUE(readMemoryGeometry());
    EXPECT_EQ(ctx.device.recordLimit.value, 3999);
    EXPECT_EQ(ctx.device.recordLength.value, 63);
    EXPECT_EQ(ctx.device.headerOffset.value, 256);
    EXPECT_EQ(ctx.device.memorySize.value, 131072u);
    EXPECT_TRUE(ctx.device.blockOneFlag.value);
}

TEST_F(IdentityReadersTest, NoRecordsIsAWrongAnswerNotTheNoRecordMarker)
{
    blockZeroWithRecords(0);
    EXPECT_FALSE(readMemoryGeometry());
    EXPECT_TRUE(conditionIs(condition::WrongAnswer));
    EXPECT_FALSE(ctx.device.recordLimit.known) << "no last index of 65535";
}
