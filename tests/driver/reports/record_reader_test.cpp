// Reading fiscal memory records from the simulator: both layouts, the
// checksum rule, the header copy, the currency and the RAM-clear count.
#include "driver/core/context.h"
#include "driver/files/text_helpers.h"
#include "driver/reports/report_lines.h"
#include "tests/driver/reports/records_fixture.h"

using namespace kelvo::drv;

namespace {

std::string zeros(int count)
{
    std::string text;
    for (int k = 0; k < count; ++k)
        text += " 00";
    return text;
}

// A RAM clear of 2012-03-15 14:30, number 5, marked, worked out by hand in
// each layout: status, type, date, number, time, zeros, check value.
const std::string kCrcRamClear = "3F 2E 12 03 15 05 00 01 04 03 00" + zeros(50) + " FC E5";
const std::string kXorRamClear = "2E 12 03 15 05 00 01 04 03 00" + zeros(52) + " 07";

std::string scenario(int model, const std::string& raw, const std::string& extra = "")
{
    return R"({"model": )" + std::to_string(model) + R"(, "clock": "2012-04-01 10:00",)" + extra + R"(
 "header_copy": {"last_line": "NIP 123-456-78-90", "attribute": 2, "currency": "EUR"},
 "records": [
  {"type": "tax_rates", "date": "2012-01-02", "number": 1, "rates": {"A": "23.00", "B": "exempt"}},
  {"type": "daily_report", "date": "2012-01-02", "number": 1, "gross": {"A": "123.00", "B": "1.00"}, "receipts": 3},
  {"raw": ")" + raw + R"("},
  {"type": "daily_report", "date": "2012-01-03", "number": 2, "gross": {"A": "5.00"}, "damaged": true},
  {"type": "ram_clear", "date": "2012-01-04", "number": 7, "time": "07:45"}
 ]})";
}

class RecordReaderTest : public kelvo::test::RecordsTest {};

}

TEST_F(RecordReaderTest, BothLayoutsDecodeTheSameHandWorkedRecord)
{
    for (const auto& [model, raw] : {std::pair {121, kCrcRamClear}, std::pair {101, kXorRamClear}}) {
        SCOPED_TRACE(model);
        startScenario(scenario(model, raw));
        DecodedRecord first;
        DecodedRecord clear;
        ASSERT_EQ(runWithRegister([&] {
            resetSection(first);
            decodeRecord(0, first);
            decodeRecord(1, first);
            resetSection(clear);
            decodeRecord(2, clear);
        }), 0);
        EXPECT_TRUE(isValid(2));
        EXPECT_TRUE(clear.decoded);
        EXPECT_EQ(clear.type, 46);
        EXPECT_EQ(kelvo::drv::report::recordDate(clear.year, clear.month, clear.day), "12r03.15");
        EXPECT_EQ(kelvo::drv::fourDigits(clear.number), "0005");
        EXPECT_EQ(kelvo::drv::report::clockTime(clear.hour, clear.minute), "14:30");
        EXPECT_TRUE(clear.marked);
        // The simulator's own records: 123,00 at 23 % holds 23,00 tax.
        EXPECT_EQ(amountText(first.tax[0]), "23,00");
        EXPECT_EQ(amountText(first.net[0]), "100,00");
        EXPECT_EQ(amountText(first.exemptTotal), "1,00");
        EXPECT_EQ(std::to_string(first.receipts), "3");
        EXPECT_EQ(readsOf(2), 1u);
        simulator_.reset();
        std::remove(log().c_str());
    }
}

TEST_F(RecordReaderTest, ADamagedRecordIsReadTenTimesAndCachedOnce)
{
    startScenario(scenario(121, kCrcRamClear), {"--fault", "bad-checksum:1:3"});
    ASSERT_EQ(runWithRegister([] {
        readRecord(3);
        readRecord(3);
        readRecord(1);
    }), 0);
    EXPECT_TRUE(cachedRecord(3).cached);
    EXPECT_FALSE(isValid(3)) << "the same wrong value ten times: damaged, no error";
    EXPECT_EQ(readsOf(3), 10u) << "the second read came from the cache";
    EXPECT_TRUE(isValid(1)) << "three wrong reads, then the right one";
    EXPECT_EQ(readsOf(1), 4u);
}

TEST_F(RecordReaderTest, ACheckValueThatChangesBetweenReadsGives46)
{
    startScenario(scenario(101, kXorRamClear), {"--fault", "bad-checksum:1:vary"});
    EXPECT_EQ(runWithRegister([] { readRecord(1); }), 46);
    EXPECT_EQ(readsOf(1), 2u);
}

TEST_F(RecordReaderTest, AModelWithoutReadableMemoryGives25)
{
    startScenario(scenario(28, kXorRamClear));
    EXPECT_EQ(runWithRegister([] { readRecord(0); }), 25);
    EXPECT_TRUE(requests("154").empty());
}

TEST_F(RecordReaderTest, HeaderCopyIsReadTwicePerRecordFromItsStart)
{
    startScenario(scenario(121, kCrcRamClear));
    std::string currency;
    ASSERT_EQ(runWithRegister([&] {
        readHeaderCopy();
        currencyOf(kNoRecord, currency);
    }), 0);
    // (131072 - 256) div 63 = 2076: five records of 63 bytes cover the 256 bytes.
    EXPECT_EQ(readsOf(2075), 0u);
    for (unsigned index = 2076; index <= 2080; ++index)
        EXPECT_EQ(readsOf(index), 2u) << index;
    EXPECT_EQ(readsOf(2081), 0u);
    EXPECT_EQ(ctx.reports.headerCopy.size(), 256u);
    EXPECT_EQ(headerCopyByte(kHeaderCopyLastLine), 'N');
    EXPECT_EQ(headerCopyByte(kHeaderCopyLastLine + 16), '0');
    EXPECT_EQ(headerCopyByte(kHeaderCopyAttribute), 2);
    EXPECT_EQ(headerCopyByte(400), 0xFF);
    EXPECT_EQ(currency, "EUR");
}

TEST_F(RecordReaderTest, HeaderCopyReadsThatDisagreeGive46)
{
    startScenario(scenario(121, kCrcRamClear), {"--fault", "bad-checksum:2077:vary"});
    EXPECT_EQ(runWithRegister([] { readHeaderCopy(); }), 46);
    EXPECT_EQ(readsOf(2077), 2u);
}

TEST_F(RecordReaderTest, CurrencyFromARecordOrPlnWhenTheCopyHasNone)
{
    const std::string json = R"({"model": 121, "header_copy": {"last_line": "X"},
 "records": [{"type": "currency_change", "date": "2012-01-02", "number": 1, "time": "08:00", "currency": "USD"}]})";
    startScenario(json);
    std::string fromRecord;
    std::string fromCopy;
    ASSERT_EQ(runWithRegister([&] {
        currencyOf(0, fromRecord);
        currencyOf(kNoRecord, fromCopy);
    }), 0);
    EXPECT_EQ(fromRecord, "USD");
    EXPECT_EQ(fromCopy, "PLN");
}

TEST_F(RecordReaderTest, RamClearCountFromTheBlockOrFromTheMemory)
{
    std::uint32_t fromBlock = 0;
    startScenario(scenario(121, kCrcRamClear));
    ASSERT_EQ(runWithRegister([&] { ramClearCount(fromBlock); }), 0);
    EXPECT_EQ(fromBlock, 1u) << "block 128 byte 33";
    EXPECT_TRUE(requests("154").empty());
    simulator_.reset();

    std::uint32_t fromMemory = 0;
    startScenario(scenario(101, kXorRamClear));
    ASSERT_EQ(runWithRegister([&] { ramClearCount(fromMemory); }), 0);
    EXPECT_EQ(fromMemory, 7u) << "the number of the last RAM clear before the first empty record";
    EXPECT_EQ(readsOf(5), 1u);
    EXPECT_EQ(readsOf(6), 0u);
}
