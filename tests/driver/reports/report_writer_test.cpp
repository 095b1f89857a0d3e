// The record blocks and the totals of the report, written from fiscal memory
// records put straight into the record cache and from hand-built totals.
#include "driver/files/textfile.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/report_writer.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;
using namespace kelvo::drv::report;
using kelvo::test::readFile;

namespace {

constexpr std::uint8_t kPresent = 0xFC;         // holds data, not a marked RAM clear
constexpr std::uint8_t kPresentMarked = 0xBC;   // bit 0x40 clear
constexpr std::size_t kRecords = 16;

std::uint8_t bcd(unsigned value)
{
    return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

RecordCacheEntry record(std::uint8_t type, unsigned month, unsigned day, std::uint16_t number, std::uint8_t status = kPresent)
{
    RecordCacheEntry e;
    e.cached = true;
    e.valid = true;
    e.status = status;
    e.type = type;
    e.body[1] = bcd(12);
    e.body[2] = bcd(month);
    e.body[3] = bcd(day);
    e.body[4] = static_cast<std::uint8_t>(number & 0xFF);
    e.body[5] = static_cast<std::uint8_t>(number >> 8);
    return e;
}

void putRate(RecordCacheEntry& e, std::size_t letter, std::uint16_t word)
{
    e.body[6 + 2 * letter] = static_cast<std::uint8_t>(word >> 8);
    e.body[7 + 2 * letter] = static_cast<std::uint8_t>(word & 0xFF);
}

RecordCacheEntry taxRates(unsigned day, std::initializer_list<std::uint16_t> words)
{
    RecordCacheEntry e = record(record_type::TaxRates, 1, day, 1);
    for (std::size_t q = 0; q < kLetterCount; ++q)
        putRate(e, q, 0x8000);
    std::size_t q = 0;
    for (const std::uint16_t word : words)
        putRate(e, q++, word);
    return e;
}

RecordCacheEntry dailyReport(unsigned day, std::uint16_t number, std::initializer_list<std::uint64_t> gross, std::uint16_t receipts)
{
    RecordCacheEntry e = record(record_type::DailyReport, 1, day, number);
    for (std::size_t k = 6; k <= 40; ++k)
        e.body[k] = 0xFF;  // erased amounts read as 0
    std::size_t q = 0;
    for (const std::uint64_t amount : gross) {
        for (std::size_t k = 0; k < 5; ++k)
            e.body[6 + 5 * q + k] = static_cast<std::uint8_t>(255 - ((amount >> (8 * k)) & 0xFF));
        ++q;
    }
    e.body[41] = static_cast<std::uint8_t>(receipts & 0xFF);
    e.body[42] = static_cast<std::uint8_t>(receipts >> 8);
    return e;
}

RecordCacheEntry ramClear(unsigned day, std::uint16_t number)
{
    RecordCacheEntry e = record(record_type::RamClear, 1, day, number, kPresentMarked);
    e.body[6] = 0;
    e.body[7] = 7;
    e.body[8] = 4;
    e.body[9] = 5;
    return e;
}

// The lines of a text, each from UTF-8 into the report's code page and ended as written.
std::string reportText(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (const std::string_view line : lines)
        text += windows1250(line) + "\r\n";
    return text;
}

class ReportWriterTest : public kelvo::test::DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        DeviceIdentity& d = ctx.device;
        d.deviceCode.set(121);
        d.lineWidth.set(40);
        d.memorySize.set(131072);
        d.recordLimit.set(kRecords - 1);
        d.recordLength.set(63);
        d.headerOffset.set(256);
        d.blockOneFlag.set(false);
        InformationBlock& block128 = d.blocks[2];
        block128.state = InformationBlock::State::Read;
        block128.validCount = 128;
        ctx.reports.cache.assign(kRecords, RecordCacheEntry {});
        for (std::size_t k = 0; k < kRecords; ++k)
            ctx.reports.cache[k] = record(0x3F, 1, 1, 0, 0xFF);  // never written
        ASSERT_TRUE(openFile(ctx.files.output, "OUT", 1));
    }

    std::string written()
    {
        closeFile(ctx.files.output);
        return readFile("OUT");
    }
};

}

TEST_F(ReportWriterTest, TaxRatesAndDailyReportWithTheRamClearBeforeIt)
{
    auto& cache = ctx.reports.cache;
    cache[0] = taxRates(2, {2300, 0x4000});
    cache[1] = dailyReport(3, 1, {100}, 1);
    cache[2] = ramClear(4, 3);
    cache[3] = dailyReport(5, 2, {12300, 1000}, 2);
    PeriodicReport report(1);
    report.currency = "PLN";
    ReportRange range;
    range.lastDailyBefore = 1;

    ASSERT_TRUE(writeRecord(report, 0, range));
    EXPECT_EQ(range.taxRateRecord, 0u);
    ASSERT_TRUE(writeRecord(report, 3, range));
    EXPECT_EQ(range.lastDailyBefore, 3u);
    EXPECT_EQ(report.section.totals.ramClears, 1u) << "the RAM clear printed inside the daily report";
    EXPECT_EQ(report.section.totals.taxTotal, 2300u);
    EXPECT_EQ(report.section.printedLines, 0u) << "reset by the Ilość pozycji line";
    EXPECT_EQ(written(), reportText({
        "dn.12r01.02                             ",
        "         PTU A            23,00%        ",
        "             B            ZW.PTU        ",
        "----------------------------------------",
        "dn.12r01.05                 nr rap. 0002",
        "Sprzed. opod.PTU A                100,00",
        "Sprzed. zwol.PTU B                 10,00",
        "Kwota PTU A                        23,00",
        "Łączna kwota PTU                   23,00",
        "Łączna należność                  133,00",
        "Waluta ewidencyjna                   PLN",
        "----------------------------------------",
        "Zerowanie RAM*Z              dn.12r01.04",
        "nr 0003                          g.07:45",
        "----------------------------------------",
        "Ilość paragonów                        2",
        "Ilość pozycji                       0013",
        "----------------------------------------",
    }));
}

TEST_F(ReportWriterTest, DamagedUnknownAndLinkedRecords)
{
    auto& cache = ctx.reports.cache;
    cache[0] = taxRates(2, {0x8000, 0x80FF});
    cache[1] = dailyReport(3, 1, {100}, 1);
    cache[1].valid = false;
    cache[2] = record(record_type::CumulativeTotals, 1, 3, 1);
    cache[3] = record(record_type::CurrencyChange, 1, 3, 1);
    PeriodicReport report(2);
    ReportRange range;

    ASSERT_TRUE(writeRecord(report, 0, range));
    ASSERT_TRUE(writeRecord(report, 1, range));
    EXPECT_EQ(report.section.totals.damagedRecords, 1u) << "a damaged daily report of family A is only counted";
    EXPECT_EQ(report.section.totals.receipts, 0u);
    ASSERT_TRUE(writeRecord(report, 3, range));
    ctx.device.blockOneFlag.set(true);
    ASSERT_TRUE(writeRecord(report, 2, range)) << "printed with its daily report";
    ctx.device.blockOneFlag.set(false);
    ASSERT_TRUE(writeRecord(report, 2, range));
    EXPECT_EQ(report.section.totals.damagedRecords, 2u);
    EXPECT_EQ(report.section.printedLines, 4u);
    EXPECT_EQ(written(), reportText({
        "dn.12r01.02                             ",
        "        Brak stawek podatkowych         ",
        "----------------------------------------",
        "dn.12r01.03                 nr rap. 0001",
        "       Nieznany typ rekordu: 0052       ",
        "----------------------------------------",
    }));
}

TEST_F(ReportWriterTest, TotalsOfASectionThatIsNotTheLast)
{
    auto& cache = ctx.reports.cache;
    cache[4] = dailyReport(10, 7, {}, 0);
    cache[9] = dailyReport(20, 12, {}, 0);
    ctx.device.blocks[2].bytes[33] = 10;  // RAM clears the register has seen
    PeriodicReport report(3);
    report.currency = "EUR";
    RunningTotals& t = report.section.totals;
    t.seen[0] = seen_flag::Taxed | seen_flag::NonZeroRate | seen_flag::RateSeen | seen_flag::RateChanged;
    t.seen[1] = seen_flag::Taxed | seen_flag::RateSeen;
    t.seen[2] = seen_flag::Exempt;
    t.seen[4] = seen_flag::Exempt;
    t.net[0] = 100000;
    t.net[1] = 500;
    t.tax[0] = 23000;
    t.exemptSales = 1234;
    t.taxTotal = 23000;
    t.grossTotal = 124734;
    t.receipts = 17;
    t.ramClears = 2;
    t.goodsChangeReports = 1;
    t.cancelledReceipts = 3;
    t.damagedRecords = 1;

    ASSERT_TRUE(writeTotals(report, 4, 9, false, false));
    EXPECT_EQ(report.section.printedLines, 0u) << "no totals line is counted";
    EXPECT_EQ(written(), reportText({
        "         ŁĄCZNY RAPORT OKRESOWY         ",
        "----------------------------------------",
        "     DLA WALUTY EWIDENCYJNEJ:  EUR      ",
        "od dn.12r01.10            do dn.12r01.20",
        "nr rap. 0007                nr rap. 0012",
        "----------------------------------------",
        "Sprzed. opod.PTU A              1.000,00",
        "Sprzed. opod.PTU B                  5,00",
        "Sprzed. zwol.PTU C,E               12,34",
        "Kwota PTU A+                      230,00",
        "Łączna kwota PTU                  230,00",
        "Łączna należność                1.247,34",
        "Waluta ewidencyjna                   EUR",
        "Ilość paragonów                       17",
        "----------------------------------------",
        "Zerowanie RAM                          2",
        "----------------------------------------",
        "Wykonano zmiany w bazie towarowej      1",
        "----------------------------------------",
        "Anulowane paragony                     3",
        "----------------------------------------",
        "      Wystąpiły uszkodzone rekordy      ",
        "----------------------------------------",
        "     Przekroczono limit zerowań RAM     ",
        "----------------------------------------",
        "----------------------------------------",
    }));
}
