// Decoding records put straight into the cache, with hand-worked bytes.
#include <random>

#include "driver/files/text_helpers.h"
#include "driver/reports/records.h"
#include "driver/reports/report_lines.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;

namespace {

class RecordDecoderTest : public kelvo::test::DriverTest {
protected:
    // An identified register with a memory of eleven records, all read.
    void identify(std::uint8_t deviceCode)
    {
        DeviceIdentity& d = ctx.device;
        d.deviceCode.set(deviceCode);
        d.memorySize.set(131072);
        d.recordLimit.set(10);
        d.recordLength.set(63);
        d.headerOffset.set(256);
        d.blockOneFlag.set(true);
        ctx.reports.cache.assign(11, RecordCacheEntry {});
    }

    // A valid, present record of this type dated 2009-01-31 with number 258.
    RecordCacheEntry& put(std::uint32_t index, std::uint8_t type, std::uint8_t status = 0x7F)
    {
        RecordCacheEntry& e = ctx.reports.cache.at(index);
        e = RecordCacheEntry {};
        e.cached = true;
        e.valid = true;
        e.status = status;
        e.type = type;
        setBytes(e, 1, {0x09, 0x01, 0x31, 0x02, 0x01});
        return e;
    }

    static void setBytes(RecordCacheEntry& e, std::size_t at, std::initializer_list<std::uint8_t> bytes)
    {
        for (std::uint8_t b : bytes)
            e.body[at++] = b;
    }

    // A five-byte amount of a daily report or cumulative totals, inverted.
    static void setAmount(RecordCacheEntry& e, std::size_t at, std::uint64_t value)
    {
        for (std::size_t k = 0; k < 5; ++k)
            e.body[at + k] = static_cast<std::uint8_t>(255 - ((value >> (8 * k)) & 0xFF));
    }

    // Rates: A 22,00 %, B exempt, C not in use, D 0,00 %, E 8,00 %, F and G not in use.
    RecordCacheEntry& putRates(std::uint32_t index)
    {
        RecordCacheEntry& e = put(index, 0x3A);
        setBytes(e, 6, {0x08, 0x98, 0x40, 0x12, 0x80, 0x00, 0x00, 0x00, 0x03, 0x20, 0x80, 0x00, 0x80, 0x00});
        return e;
    }

    // A daily report: A 123.456,78, B 0,05, D 10,00, E 0,03.
    RecordCacheEntry& putDailyReport(std::uint32_t index, std::uint8_t type = 0x3C)
    {
        RecordCacheEntry& e = put(index, type);
        for (std::size_t q = 0; q < kLetterCount; ++q)
            setAmount(e, 6 + 5 * q, 0);
        setAmount(e, 6, 12345678);
        setAmount(e, 11, 5);
        setAmount(e, 21, 1000);
        setAmount(e, 26, 3);
        setBytes(e, 41, {0x2C, 0x01});  // 300 receipts
        return e;
    }
};

}

TEST_F(RecordDecoderTest, HeaderFieldsAndTaxRates)
{
    identify(121);
    putRates(0);
    DecodedRecord r;
    resetSection(r);
    ASSERT_TRUE(decodeRecord(0, r));
    EXPECT_TRUE(r.decoded);
    EXPECT_EQ(r.index, 0u);
    EXPECT_EQ(r.type, 58);
    EXPECT_EQ(r.year, 9);
    EXPECT_EQ(r.month, 1);
    EXPECT_EQ(r.day, 31);
    EXPECT_EQ(r.number, 258);
    EXPECT_EQ(kelvo::drv::report::recordDate(r.year, r.month, r.day), "09r01.31");
    EXPECT_EQ(kelvo::drv::fourDigits(r.number), "0258");
    EXPECT_EQ(rateColumnText(r, 0), "22,00%");
    EXPECT_EQ(rateColumnText(r, 1), "ZW.PTU") << "0x40 is exempt whatever the low byte holds";
    EXPECT_EQ(rateColumnText(r, 2), "      ");
    EXPECT_EQ(rateColumnText(r, 3), " 0,00%");
    EXPECT_EQ(rateColumnText(r, 4), " 8,00%");
    EXPECT_EQ(r.rate[0], 2200);
    EXPECT_EQ(r.rate[4], 800);
    EXPECT_EQ(r.letterFlags[0], letter_flag::Taxed | letter_flag::NonZeroRate);
    EXPECT_EQ(r.letterFlags[1], letter_flag::Exempt);
    EXPECT_EQ(r.letterFlags[2], 0);
    EXPECT_EQ(r.letterFlags[3], letter_flag::Taxed);
    EXPECT_EQ(r.totals.seen[0], seen_flag::Taxed | seen_flag::NonZeroRate | seen_flag::RateSeen);
    EXPECT_EQ(r.totals.seen[1], seen_flag::Exempt);
    EXPECT_EQ(r.totals.seen[2], 0);
}

TEST_F(RecordDecoderTest, ARateChangedWithinTheSectionIsMarked)
{
    identify(121);
    putRates(0);
    RecordCacheEntry& second = putRates(1);
    setBytes(second, 6, {0x08, 0xFC});  // A becomes 23,00 %
    DecodedRecord r;
    resetSection(r);
    ASSERT_TRUE(decodeRecord(0, r));
    ASSERT_TRUE(decodeRecord(1, r));
    EXPECT_EQ(rateColumnText(r, 0), "23,00%");
    EXPECT_NE(r.totals.seen[0] & seen_flag::RateChanged, 0);
    EXPECT_EQ(r.totals.seen[4] & seen_flag::RateChanged, 0) << "E kept its rate";
    EXPECT_EQ(r.totals.lastRate[0], 2300);
}

TEST_F(RecordDecoderTest, DailyReportOfFamilyATaxesEachLetterAndAddsToTheTotals)
{
    identify(121);
    putRates(0);
    RecordCacheEntry& e = putDailyReport(1);
    setBytes(e, 43, {0x01, 0x00, 0x01});        // 65537 goods-database changes
    setBytes(e, 46, {0x02, 0x00});              // 2 cancelled receipts
    setBytes(e, 48, {0xF3, 0x01, 0, 0, 0});     // 4,99 cancelled, not inverted
    DecodedRecord r;
    resetSection(r);
    ASSERT_TRUE(decodeRecord(0, r));
    ASSERT_TRUE(decodeRecord(1, r));
    EXPECT_EQ(r.type, 60);
    // A: 123.456,78 gross at 22 % holds 22.262,70 tax.
    EXPECT_EQ(amountText(r.tax[0]), "22.262,70");
    EXPECT_EQ(amountText(r.net[0]), "101.194,08");
    // B is exempt: no tax, the whole amount is exempt sales.
    EXPECT_EQ(r.tax[1], 0u);
    EXPECT_EQ(r.net[1], 5u);
    EXPECT_EQ(amountText(r.exemptTotal), "0,05");
    // D at 0 %: net only. E at 8 %: 3 grosze hold 0,22 grosza, so none.
    EXPECT_EQ(amountText(r.net[3]), "10,00");
    EXPECT_EQ(r.tax[4], 0u);
    EXPECT_EQ(amountText(r.taxTotal), "22.262,70");
    EXPECT_EQ(amountText(r.grossTotal), "123.466,86");
    EXPECT_EQ(std::to_string(r.receipts), "300");
    EXPECT_EQ(std::to_string(r.goodsChanges), "65537");
    EXPECT_EQ(std::to_string(r.cancelledReceipts), "2");
    EXPECT_EQ(amountText(r.cancelledAmount), "4,99");

    // The running totals: exempt letters add no net; a second report doubles the rest.
    ASSERT_TRUE(decodeRecord(1, r));
    EXPECT_EQ(r.totals.net[0], 2 * 10119408u);
    EXPECT_EQ(r.totals.net[1], 0u);
    EXPECT_EQ(amountText(r.totals.exemptSales), "0,10");
    EXPECT_EQ(amountText(r.totals.taxTotal), "44.525,40");
    EXPECT_EQ(amountText(r.totals.grossTotal), "246.933,72");
    EXPECT_EQ(std::to_string(r.totals.receipts), "600");
    EXPECT_EQ(std::to_string(r.totals.cancelledReceipts), "4");
    EXPECT_EQ(amountText(r.totals.cancelledAmount), "9,98");
    EXPECT_EQ(std::to_string(r.totals.goodsChangeReports), "2");
}

TEST_F(RecordDecoderTest, DailyReportOfFamilyBHasItsOwnTrailerAndDamagedTypes)
{
    identify(107);
    putRates(0);
    RecordCacheEntry& e = putDailyReport(1, 0x7C);
    setBytes(e, 43, {0x03, 0x00});           // 3 goods-database changes
    setBytes(e, 45, {0x01, 0x00});           // 1 cancelled receipt
    setBytes(e, 47, {0x10, 0x27, 0, 0, 0});  // 100,00 cancelled
    DecodedRecord r;
    resetSection(r);
    ASSERT_TRUE(decodeRecord(0, r));
    ASSERT_TRUE(decodeRecord(1, r));
    EXPECT_EQ(std::to_string(r.goodsChanges), "3");
    EXPECT_EQ(std::to_string(r.cancelledReceipts), "1");
    EXPECT_EQ(amountText(r.cancelledAmount), "100,00");
    EXPECT_FALSE(r.damagedType);

    // Type byte 0x3D: type 61, bit 1 clear, so a daily report with a damaged type.
    putDailyReport(2, 0x3D);
    ASSERT_TRUE(decodeRecord(2, r));
    EXPECT_TRUE(r.decoded);
    EXPECT_TRUE(r.damagedType);
    EXPECT_EQ(r.type, 60);
    EXPECT_EQ(r.typeByte, 0x3D);
    EXPECT_EQ(amountText(r.grossTotal), "123.466,86");
    // Type byte 0x3F has bit 1 set: an unknown type, not a daily report.
    putDailyReport(3, 0x3F);
    ASSERT_TRUE(decodeRecord(3, r));
    EXPECT_FALSE(r.damagedType);
    EXPECT_EQ(r.type, 63);

    // A record with a wrong check value is still decoded on these registers.
    putDailyReport(4).valid = false;
    ASSERT_TRUE(decodeRecord(4, r));
    EXPECT_TRUE(r.decoded);
}

TEST_F(RecordDecoderTest, DamagedEmptyAndAbsentRecordsDecodeNothingOnFamilyA)
{
    identify(121);
    putDailyReport(1).valid = false;
    put(2, 0xFF, 0xFF).valid = false;
    put(3, 0x3C, 0xBF);  // empty
    put(4, 0x3C, 0xFE);  // never written
    DecodedRecord r;
    resetSection(r);
    for (std::uint32_t i : {1u, 2u, 3u, 4u}) {
        ASSERT_TRUE(decodeRecord(i, r)) << i;
        EXPECT_FALSE(r.decoded) << i;
    }
    EXPECT_TRUE(isEmpty(2) && isEmpty(3));
    EXPECT_FALSE(isPresent(4));
    EXPECT_EQ(r.totals.receipts, 0u);
}

TEST_F(RecordDecoderTest, CurrencyRamClearAndTimes)
{
    identify(121);
    RecordCacheEntry& currency = put(0, 0x1E);
    setBytes(currency, 6, {0, 8, 3, 5});
    setBytes(currency, 56, {'E', 'U', 'R'});
    RecordCacheEntry& ramClear = put(1, 0x2E, 0x3F);  // bit 0x40 of the status clear: marked
    setBytes(ramClear, 6, {2, 3, 5, 9});
    put(2, 0x2E, 0x7F);
    DecodedRecord r;
    resetSection(r);
    ASSERT_TRUE(decodeRecord(0, r));
    EXPECT_EQ(r.currencyText, "EUR");
    EXPECT_EQ(kelvo::drv::report::clockTime(r.hour, r.minute), "08:35");
    ASSERT_TRUE(decodeRecord(1, r));
    EXPECT_TRUE(r.marked);
    EXPECT_EQ(r.hour, 23);
    EXPECT_EQ(r.minute, 59);
    EXPECT_EQ(kelvo::drv::report::clockTime(r.hour, r.minute), "23:59");
    EXPECT_EQ(std::to_string(r.totals.ramClears), "1");
    ASSERT_TRUE(decodeRecord(2, r));
    EXPECT_FALSE(r.marked);
    EXPECT_EQ(r.totals.ramClears, 2u);

    // Family B keeps the currency code at D[12].
    identify(107);
    RecordCacheEntry& b = put(0, 0x5E);
    setBytes(b, 12, {'C', 'H', 'F'});
    ASSERT_TRUE(decodeRecord(0, r));
    EXPECT_EQ(r.currencyText, "CHF");
}

TEST_F(RecordDecoderTest, CumulativeTotalsSignaturesLabelsAndCards)
{
    identify(121);
    RecordCacheEntry& totals = put(0, 0x34);
    for (std::size_t q = 0; q < kLetterCount; ++q)
        setAmount(totals, 10 + 5 * q, 0);
    setAmount(totals, 10, 23085);
    setAmount(totals, 15, 2556);
    setAmount(totals, 45, 25700);
    RecordCacheEntry& signature = put(1, 0x32);
    for (std::size_t k = 0; k < 20; ++k)
        signature.body[10 + k] = static_cast<std::uint8_t>(0x11 * (k % 16));
    RecordCacheEntry& label = put(2, 0x26);
    const std::string text = "RAPORT DOBOWY 0001";
    std::copy(text.begin(), text.end(), label.body.begin() + 10);
    RecordCacheEntry& card = put(3, 0x16);
    std::fill(card.body.begin() + 10, card.body.begin() + 30, 0xA5);
    std::fill(card.body.begin() + 30, card.body.begin() + 62, 'K');  // longer than 30: cut

    DecodedRecord r;
    resetSection(r);
    ASSERT_TRUE(decodeRecord(0, r));
    EXPECT_EQ(amountText(r.tax[0]), "230,85");
    EXPECT_EQ(amountText(r.tax[1]), "25,56");
    EXPECT_EQ(amountText(r.tax[2]), "0,00");
    EXPECT_EQ(amountText(r.grossTotal), "257,00");
    ASSERT_TRUE(decodeRecord(1, r));
    EXPECT_EQ(r.signatureText, "00112233445566778899AABBCCDDEEFF00112233");
    ASSERT_TRUE(decodeRecord(2, r));
    EXPECT_EQ(r.labelText, text);
    EXPECT_TRUE(r.signatureText.empty()) << "the per-record part is reset";
    ASSERT_TRUE(decodeRecord(3, r));
    std::string cardSignature;
    for (int k = 0; k < 20; ++k)
        cardSignature += "A5";
    EXPECT_EQ(r.signatureText, cardSignature);
    EXPECT_EQ(r.labelText, std::string(30, 'K'));
}

TEST_F(RecordDecoderTest, RandomBytesDecodeWithoutHarm)
{
    std::mt19937 random(7);
    for (std::uint8_t code : {std::uint8_t {121}, std::uint8_t {107}}) {
        identify(code);
        DecodedRecord r;
        resetSection(r);
        for (int round = 0; round < 2000; ++round) {
            RecordCacheEntry& e = ctx.reports.cache[round % 11];
            e.cached = true;
            e.valid = (random() & 1) != 0;
            e.status = static_cast<std::uint8_t>(random());
            e.type = static_cast<std::uint8_t>(random());
            for (auto& b : e.body)
                b = static_cast<std::uint8_t>(random());
            ASSERT_TRUE(decodeRecord(round % 11, r));
            if (r.decoded) {
                EXPECT_NE(kelvo::drv::report::recordDate(r.year, r.month, r.day).find('r'), std::string::npos);
            }
        }
    }
}
