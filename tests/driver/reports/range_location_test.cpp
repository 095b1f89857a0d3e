// Locating the range of a periodic report in the simulator's memory.
#include "driver/frame/context.h"
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
