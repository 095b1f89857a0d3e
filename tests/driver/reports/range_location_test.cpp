// Locating the range of a periodic report in the simulator's memory.
#include <random>

#include "driver/core/context.h"
#include "driver/transport/crc16.h"
#include "tests/driver/reports/records_fixture.h"

using namespace kelvo::drv;

namespace {

// Index: record.
//  0 tax rates          2012-01-02      6 daily report #2 2012-01-15
//  1 currency PLN       2012-01-02      7 RAM clear       2012-01-20
//  2 daily report #1    2012-01-02      8 daily report #3 2012-02-01
//  3 cumulative totals #1               9 currency EUR    2012-02-02
//  4 day signature #1                  10 daily report #4 2012-02-03
//  5 day label #1                      11 day label #4
std::string scenario(const std::string& modes)
{
    return R"({"model": 121, )" + modes + R"(
 "records": [
  {"type": "tax_rates", "date": "2012-01-02", "number": 1, "rates": {"A": "23.00"}},
  {"type": "currency_change", "date": "2012-01-02", "number": 1, "time": "08:00", "currency": "PLN"},
  {"type": "daily_report", "date": "2012-01-02", "number": 1, "gross": {"A": "10.00"}},
  {"type": "cumulative_totals", "date": "2012-01-02", "number": 1, "tax": {"A": "1.87"}, "total_due": "1.87"},
  {"type": "day_signature", "date": "2012-01-02", "number": 1, "signature": "00112233445566778899AABBCCDDEEFF01234567"},
  {"type": "day_label", "date": "2012-01-02", "number": 1, "label": "DZIEN 1"},
  {"type": "daily_report", "date": "2012-01-15", "number": 2, "gross": {"A": "20.00"}},
  {"type": "ram_clear", "date": "2012-01-20", "number": 1, "time": "07:45"},
  {"type": "daily_report", "date": "2012-02-01", "number": 3, "gross": {"A": "30.00"}},
  {"type": "currency_change", "date": "2012-02-02", "number": 2, "time": "08:00", "currency": "EUR"},
  {"type": "daily_report", "date": "2012-02-03", "number": 4, "gross": {"A": "40.00"}},
  {"type": "day_label", "date": "2012-02-03", "number": 4, "label": "DZIEN 4"}
 ]})";
}

const std::string kReadWrite = R"("clock": "2012-02-15 10:00", "fiscal": true, "read_only": false,)";
const std::string kReadOnly = R"("clock": "2012-02-15 10:00", "fiscal": true, "read_only": true,)";

class RangeLocationTest : public kelvo::test::RecordsTest {
protected:
    std::uint8_t locate(std::uint8_t kind, RecordKey from, RecordKey to)
    {
        return runWithRegister([&] { locateRange(kind, from, to, range_); });
    }

    ReportRange range_;
};

}

TEST_F(RangeLocationTest, RangeByDatesInsideOneCurrency)
{
    startScenario(scenario(kReadWrite));
    ASSERT_EQ(locate(2, dateKey(12, 1, 10), dateKey(12, 1, 31)), 0);
    EXPECT_EQ(range_.taxRateRecord, 0u);
    EXPECT_EQ(range_.currencyRecord, 1u);
    EXPECT_EQ(range_.lastDailyBefore, 2u);
    EXPECT_EQ(range_.sectionFirst, 6u);
    EXPECT_EQ(range_.rangeLast, 6u);
    EXPECT_EQ(range_.nextCurrencyChange, kNoRecord);
    EXPECT_TRUE(range_.singleCurrency);
    EXPECT_EQ(readsOf(9), 1u) << "each record is read once, whichever scan reaches it";
    EXPECT_EQ(readsOf(12), 1u) << "reading forward for links stops at the empty record";
    EXPECT_EQ(readsOf(13), 0u);
}

TEST_F(RangeLocationTest, RangeByNumbersOverTwoCurrenciesLinksLabelsSignaturesAndTotals)
{
    startScenario(scenario(kReadWrite));
    ASSERT_EQ(locate(3, numberKey(1), numberKey(4)), 0);
    EXPECT_EQ(range_.lastDailyBefore, kNoRecord);
    EXPECT_EQ(range_.sectionFirst, 2u);
    EXPECT_EQ(range_.rangeLast, 10u);
    EXPECT_EQ(range_.nextCurrencyChange, 9u);
    EXPECT_FALSE(range_.singleCurrency);
    const RecordCacheEntry& first = cachedRecord(2);
    EXPECT_EQ(first.cumulativeLink, 3u);
    EXPECT_EQ(first.signatureLink, 4u);
    EXPECT_EQ(first.labelLink, 5u);
    EXPECT_EQ(cachedRecord(10).labelLink, 11u);
    EXPECT_EQ(cachedRecord(10).signatureLink, kNoRecord);
    EXPECT_EQ(cachedRecord(6).labelLink, kNoRecord);
}

TEST_F(RangeLocationTest, RecordsOfTheLastReportAfterTheRangeAreLinkedByReadingForward)
{
    startScenario(scenario(kReadWrite));
    ASSERT_EQ(locate(2, dateKey(12, 1, 1), dateKey(12, 1, 2)), 0);
    EXPECT_EQ(range_.sectionFirst, 2u);
    EXPECT_EQ(range_.rangeLast, 2u);
    EXPECT_EQ(cachedRecord(2).labelLink, 5u);
    EXPECT_EQ(readsOf(7), 0u) << "all three links were set at record 5";
}

TEST_F(RangeLocationTest, BoundsAndMissingReports)
{
    startScenario(scenario(kReadWrite));
    EXPECT_EQ(locate(2, dateKey(12, 2, 1), dateKey(12, 1, 1)), 70) << "to before from";
    EXPECT_EQ(locate(2, dateKey(12, 1, 1), dateKey(50, 1, 1)), 70) << "a year of 2050";
    EXPECT_EQ(locate(2, dateKey(12, 3, 1), dateKey(12, 3, 31)), 71) << "past the last report";
    EXPECT_EQ(locate(2, dateKey(12, 1, 3), dateKey(12, 1, 10)), 71) << "the first report is past to, not 70";
    EXPECT_EQ(locate(3, numberKey(5), numberKey(9)), 71);
    EXPECT_EQ(locate(2, dateKey(12, 1, 2), dateKey(12, 1, 2)), 0) << "one day";
}

TEST_F(RangeLocationTest, ModeAndClockChecks)
{
    startScenario(scenario(R"("fiscal": false,)"));
    EXPECT_EQ(locate(2, dateKey(12, 1, 1), dateKey(12, 1, 31)), 69);
    simulator_.reset();

    startScenario(scenario(kReadWrite));
    EXPECT_EQ(locate(6, dateKey(12, 1, 1), dateKey(12, 1, 31)), 73) << "settlement while read-write";
    EXPECT_EQ(locate(1, dateKey(12, 1, 1), dateKey(12, 1, 31)), 0) << "January ended by the clock";
    EXPECT_EQ(locate(1, dateKey(12, 2, 1), dateKey(12, 2, 29)), 72) << "February has not ended";
    simulator_.reset();

    startScenario(scenario(kReadOnly));
    EXPECT_EQ(locate(1, dateKey(12, 2, 1), dateKey(12, 2, 29)), 0) << "read-only memory: the month counts as ended";
    EXPECT_EQ(locate(8, numberKey(1), numberKey(2059)), 0);
    EXPECT_EQ(range_.rangeLast, 10u);
}

TEST_F(RangeLocationTest, DamagedRecordsAreSkippedAndTheScanEndsAtTheEmptyOne)
{
    startScenario(scenario(kReadWrite), {"--fault", "bad-checksum:6:10"});
    ASSERT_EQ(locate(2, dateKey(12, 1, 10), dateKey(12, 2, 28)), 0);
    EXPECT_FALSE(isValid(6));
    EXPECT_EQ(range_.sectionFirst, 8u) << "the damaged report is no bound";
    EXPECT_EQ(range_.lastDailyBefore, 2u);
    EXPECT_EQ(range_.rangeLast, 10u);
}

// Random records of random types, most with a right check value, some
// damaged: the range is found or 71 is given, and every record decodes.
TEST_F(RangeLocationTest, RandomRecordBytesGiveARangeOrAnErrorCode)
{
    std::mt19937 random(11);
    const std::uint8_t types[] = {0x3C, 0x3C, 0x3C, 0x3A, 0x1E, 0x2E, 0x34, 0x32, 0x26, 0x16, 0x3D, 0x00};
    for (const bool crc : {true, false}) {
        SCOPED_TRACE(crc);
        std::string records;
        for (int i = 0; i < 60; ++i) {
            std::vector<std::uint8_t> a(63);
            for (auto& b : a)
                b = static_cast<std::uint8_t>(random());
            a[crc ? 1 : 0] = static_cast<std::uint8_t>((types[random() % std::size(types)] & 0x3F) | (random() & 0xC0));
            if (crc) {
                a[0] = random() % 4 == 0 ? a[0] : 0x7F;
                const std::uint16_t check = crc16(std::span(a).subspan(1, 60));
                a[61] = static_cast<std::uint8_t>(check & 0xFF);
                a[62] = static_cast<std::uint8_t>(check >> 8);
            } else {
                std::uint8_t x = 0;
                for (int k = 1; k < 62; ++k)
                    x ^= a[k];
                a[62] = x;
            }
            if (random() % 5 == 0)
                a[62] ^= 0x5A;  // damaged
            static const char digits[] = "0123456789ABCDEF";
            std::string raw;
            for (const std::uint8_t b : a) {
                raw += digits[b >> 4];
                raw += digits[b & 15];
                raw += ' ';
            }
            raw.pop_back();
            records += std::string(i == 0 ? "" : ",") + R"({"raw": ")" + raw + R"("})";
        }
        startScenario(std::string(R"({"model": )") + (crc ? "121" : "107") + R"(, "read_only": true, "records": [)"
            + records + "]}");
        std::size_t decoded = 0;
        const std::uint8_t result = runWithRegister([&] {
            if (!locateRange(8, numberKey(0), numberKey(65535), range_))
                return;
            DecodedRecord r;
            resetSection(r);
            for (std::uint32_t i = 0; i < 60; ++i)
                if (decodeRecord(i, r) && r.decoded)
                    ++decoded;
        });
        EXPECT_TRUE(result == 0 || result == 71) << int(result);
        if (result == 0) {
            EXPECT_LE(range_.sectionFirst, range_.rangeLast);
            EXPECT_LT(range_.rangeLast, 60u);
        }
        EXPECT_GT(decoded, 0u);
        simulator_.reset();
        std::remove(log().c_str());
    }
}

TEST_F(RangeLocationTest, FamilyBWithACurrencyChangeAndADamagedTypeByte)
{
    startScenario(R"({"model": 107, "clock": "2013-03-10 12:00", "fiscal": true, "read_only": true,
 "header_copy": {"last_line": "NIP 1234567890", "attribute": 2, "currency": "EUR"},
 "records": [
  {"type": "tax_rates", "date": "2012-12-01", "number": 1, "rates": {"A": "23.00", "E": "exempt"}},
  {"type": "daily_report", "date": "2012-12-03", "number": 1, "gross": {"A": "150.00"}, "receipts": 12},
  {"type": "daily_report", "date": "2012-12-04", "number": 2, "gross": {"A": "75.50"}, "receipts": 7, "type_byte": 121},
  {"type": "currency_change", "date": "2013-01-01", "number": 2, "time": "00:05", "currency": "EUR"},
  {"type": "daily_report", "date": "2013-01-02", "number": 3, "gross": {"A": "40.00", "E": "5.00"}, "receipts": 4,
   "cancelled_receipts": 1, "cancelled_amount": "1.00"}
 ]})");
    DecodedRecord r;
    std::string currency;
    ASSERT_EQ(runWithRegister([&] {
        if (!locateRange(7, numberKey(1), numberKey(3), range_))
            return;
        resetSection(r);
        decodeRecord(range_.taxRateRecord, r);
        decodeRecord(2, r);
        currencyOf(range_.nextCurrencyChange, currency);
    }), 0);
    EXPECT_EQ(range_.sectionFirst, 1u);
    EXPECT_EQ(range_.rangeLast, 4u) << "the damaged-type report is no bound";
    EXPECT_EQ(range_.nextCurrencyChange, 3u);
    EXPECT_FALSE(range_.singleCurrency);
    EXPECT_TRUE(r.damagedType);
    EXPECT_EQ(r.type, 60);
    EXPECT_EQ(r.typeByte, 121);
    // 75,50 at 23 % holds 1411,79 grosza of tax, raised to 14,12.
    EXPECT_EQ(amountText(r.tax[0]), "14,12");
    EXPECT_EQ(amountText(r.net[0]), "61,38");
    EXPECT_EQ(std::to_string(r.receipts), "7");
    EXPECT_EQ(currency, "EUR");
}
