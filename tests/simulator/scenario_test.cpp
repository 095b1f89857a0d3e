#include "simulator/generator.h"
#include "simulator/register.h"
#include "simulator/scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace kelvo::sim {
namespace {

const std::string scenarioDir = KELVOSIM_SCENARIO_DIR;

TEST(Scenario, ExamplesLoadAndFitTheirModels)
{
    RequestLog log;
    std::size_t examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scenarioDir)) {
        if (entry.path().extension() != ".json") continue;
        ++examples;
        const Scenario s = loadScenario(entry.path().string());
        // The registers that print their reports are asked for no records.
        EXPECT_NE(s.records.empty(), s.printedReports.empty()) << entry.path();
        Register r(s, log);
        EXPECT_EQ(r.memory().writtenRecords(), s.records.size()) << entry.path();
    }
    EXPECT_EQ(examples, 7u);
}

TEST(Scenario, FieldsAreRead)
{
    const Scenario s = loadScenario(scenarioDir + "/orvan-month.json");
    EXPECT_EQ(s.deviceCode, 121);
    ASSERT_TRUE(s.clock);
    EXPECT_EQ(s.clock->date, (Date{2012, 2, 1}));
    EXPECT_EQ(s.clock->time.minute, 15);
    EXPECT_TRUE(s.header.at(3).doubleWidth);
    const Record& daily = s.records.at(2);
    EXPECT_EQ(daily.type, RecordType::DailyReport);
    EXPECT_EQ(daily.amounts[0], 123456u);
    EXPECT_EQ(daily.amounts[4], 5000u);
    EXPECT_EQ(daily.cancelledAmount, 499u);
    const Record& rates = s.records.at(0);
    EXPECT_EQ(rates.rates[0].hundredths, 2300);
    EXPECT_EQ(rates.rates[4].kind, RateKind::Exempt);
    EXPECT_EQ(rates.rates[6].kind, RateKind::Unused);
    EXPECT_TRUE(s.records.at(8).damaged);

    const Scenario faults = loadScenario(scenarioDir + "/tiber-faults.json");
    ASSERT_EQ(faults.faults.size(), 4u);
    EXPECT_TRUE(faults.faults[1].varying);
    EXPECT_EQ(faults.registerError, 0x1234);
    EXPECT_TRUE(faults.records.back().raw.has_value());
}

TEST(Scenario, RoundTripThroughJsonKeepsTheBytes)
{
    RequestLog log;
    for (const char* name : {"orvan-month.json", "pelun-read-only.json", "tiber-faults.json"}) {
        const Scenario original = loadScenario(scenarioDir + "/" + name);
        const Scenario again = parseScenario(scenarioToJson(original));
        Register a(original, log);
        Register b(again, log);
        for (std::uint32_t index = 0; index < 12; ++index) EXPECT_EQ(a.memory().read(index), b.memory().read(index)) << name;
        for (std::uint32_t index = 2076; index <= 2080; ++index) EXPECT_EQ(a.memory().read(index), b.memory().read(index)) << name;
        EXPECT_EQ(again.faults.size(), original.faults.size());
    }
}

TEST(Scenario, PrintedReportsRoundTrip)
{
    for (const char* name : {"gilon-printed.json", "votra-k-printed.json", "votra-printed.json"}) {
        SCOPED_TRACE(name);
        const Scenario original = loadScenario(scenarioDir + "/" + name);
        const Scenario again = parseScenario(scenarioToJson(original));
        ASSERT_EQ(again.printedReports.size(), original.printedReports.size());
        for (std::size_t k = 0; k < original.printedReports.size(); ++k) {
            const PrintedReport& a = original.printedReports[k];
            const PrintedReport& b = again.printedReports[k];
            EXPECT_EQ(a.request, b.request);
            ASSERT_EQ(a.lines.size(), b.lines.size());
            for (std::size_t l = 0; l < a.lines.size(); ++l) {
                EXPECT_EQ(a.lines[l].text, b.lines[l].text);
                EXPECT_EQ(a.lines[l].doubleWidth, b.lines[l].doubleWidth);
                EXPECT_EQ(a.lines[l].raw, b.lines[l].raw);
            }
        }
        EXPECT_EQ(again.settlementPairs, original.settlementPairs);
        EXPECT_EQ(again.faults.size(), original.faults.size());
    }
}

TEST(Scenario, MistakesAreReportedNotIgnored)
{
    EXPECT_THROW(parseScenario("{"), ScenarioError);
    EXPECT_THROW(parseScenario("[]"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"model": 300})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"records": [{"type": "weekly"}]})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"records": [{"type": "daily_report", "date": "2012-13-01"}]})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"records": [{"type": "daily_report", "date": "2012-01-01", "gross": {"H": 1}}]})"),
                 ScenarioError);
    EXPECT_THROW(parseScenario(R"({"records": [{"type": "daily_report", "date": "2012-01-01", "gross": {"A": "1.234"}}]})"),
                 ScenarioError);
    EXPECT_THROW(parseScenario(R"({"records": [{"type": "day_signature", "date": "2012-01-01", "signature": "00"}]})"),
                 ScenarioError);
    EXPECT_THROW(parseScenario(R"({"faults": ["explode:1"]})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"status_bytes": {"91": 1}})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"geometry": {"memory_size": 1000}})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"settlement_pairs": [[1, 2], [3, 4], [5, 6]]})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"settlement_pairs": [[1, 2], [3, 4], [5, 6], [7, 256]]})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"printed_reports": [{"lines": [{"raw": "1B 6"}]}]})"), ScenarioError);
    EXPECT_THROW(parseScenario(R"({"printed_reports": [{"request": "numbers 1 2"}]})"), ScenarioError);
    EXPECT_THROW(loadScenario("/nonexistent/kelvosim.json"), ScenarioError);
}

TEST(Fault, TextForms)
{
    const Fault nak = parseFault("nak:154:2");
    EXPECT_EQ(nak.kind, FaultKind::Nak);
    EXPECT_EQ(nak.target, 154u);
    EXPECT_EQ(nak.times, 2u);
    EXPECT_EQ(parseFault("status:0x9A:134").target, 154u);
    EXPECT_EQ(parseFault("converter-parts:16").value, 16u);
    EXPECT_EQ(parseFault("silent:53").times, always);
    EXPECT_THROW(parseFault("nak"), std::invalid_argument);
    EXPECT_THROW(parseFault("nak:x"), std::invalid_argument);
    EXPECT_THROW(parseFault("status:1:300"), std::invalid_argument);
    EXPECT_THROW(parseFault("converter-parts:0"), std::invalid_argument);
    const Fault crc = parseFault("report-crc:1");
    EXPECT_EQ(crc.kind, FaultKind::ReportCrc);
    EXPECT_EQ(crc.target, 49u);
    EXPECT_EQ(crc.times, 1u);
    EXPECT_EQ(parseFault("report-oversized").times, always);
    EXPECT_THROW(parseFault("report-crc:1:2"), std::invalid_argument);
}

TEST(Generator, FillsAFullMemoryQuicklyAndTheSameWayEachTime)
{
    Scenario s;
    s.deviceCode = 121;
    generateInto(s, 20, 42, std::nullopt);
    RequestLog log;
    Register r(s, log);
    EXPECT_EQ(s.records.size(), 2060u);
    EXPECT_EQ(r.memory().writtenRecords(), 2060u);

    Scenario again;
    again.deviceCode = 121;
    generateInto(again, 20, 42, std::nullopt);
    EXPECT_EQ(scenarioToJson(s), scenarioToJson(again));
    Scenario other;
    other.deviceCode = 121;
    generateInto(other, 20, 43, std::nullopt);
    EXPECT_NE(scenarioToJson(s), scenarioToJson(other));
}

TEST(Generator, HistoryHasTheRecordKindsInOrder)
{
    const std::vector<Record> records = generateHistory(GeneratorOptions{3, 5, Date{2010, 1, 4}, 5000, true, std::nullopt});
    ASSERT_GT(records.size(), 1500u);
    EXPECT_EQ(records[0].type, RecordType::TaxRates);
    EXPECT_EQ(records[1].type, RecordType::CurrencyChange);
    std::size_t rateRecords = 0, signatures = 0, reports = 0;
    std::uint16_t lastNumber = 0;
    for (std::size_t k = 1; k < records.size(); ++k) {
        EXPECT_LE(records[k - 1].date, records[k].date);
        if (records[k].type == RecordType::TaxRates) ++rateRecords;
        if (records[k].type == RecordType::DaySignature) {
            ++signatures;
            EXPECT_EQ(records[k].number, records[k - 1].number);
        }
        if (records[k].type == RecordType::DailyReport) {
            ++reports;
            EXPECT_EQ(records[k].number, lastNumber + 1);
            lastNumber = records[k].number;
        }
    }
    EXPECT_EQ(rateRecords, 1u);
    EXPECT_EQ(signatures, reports);
    EXPECT_GT(reports, 3u * 300u);
}

TEST(Generator, RecentHistoryEndsWithThePreviousMonth)
{
    for (const Date today : {Date{2026, 12, 9}, Date{2027, 1, 1}, Date{2026, 3, 31}}) {
        Scenario s = loadScenario(scenarioDir + "/orvan-read-only.json");
        generateInto(s, 1, 7, std::nullopt, today);
        const Date previous = today.month == 1 ? Date{today.year - 1, 12, 1} : Date{today.year, today.month - 1, 1};
        const auto lastDaily = std::find_if(s.records.rbegin(), s.records.rend(),
            [](const Record& r) { return r.type == RecordType::DailyReport; });
        ASSERT_NE(lastDaily, s.records.rend());
        EXPECT_EQ(lastDaily->date.year, previous.year);
        EXPECT_EQ(lastDaily->date.month, previous.month);
        EXPECT_LT(s.records.back().date, (Date{today.year, today.month, 1}));
        EXPECT_EQ(s.records.front().date, (Date{today.year - 1, today.month, 1}));
        EXPECT_FALSE(s.clock) << "the register's clock is the host's";
    }
    // A memory that two years of daily reports and signatures would overfill
    // holds the latest months instead.
    Scenario small = loadScenario(scenarioDir + "/orvan-read-only.json");
    small.deviceCode = 138;
    generateInto(small, 2, 1, std::uint16_t{600}, Date{2026, 12, 9});
    ASSERT_EQ(small.records.size(), 600u);
    EXPECT_GE(small.records.back().date, (Date{2026, 11, 1}));
    EXPECT_LT(small.records.back().date, (Date{2026, 12, 1}));
    EXPECT_EQ(small.records.front().type, RecordType::TaxRates);
}

TEST(Generator, LargerMemoryThanTheStandardOne)
{
    Scenario s;
    s.deviceCode = 138;
    generateInto(s, 30, 1, std::uint16_t{5000});
    ASSERT_TRUE(s.geometry);
    EXPECT_EQ(s.geometry->recordCount, 5000);
    EXPECT_EQ(s.records.size(), 5000u);
    RequestLog log;
    Register r(s, log);
    EXPECT_EQ(r.memory().geometry().memorySize, 5u * 65536u);  // 5000 x 63 + 256 bytes rounded up
    EXPECT_EQ(r.memory().read(4999).front() & 0x3F, r.memory().read(4999)[1] & 0x3F);
}

}
}
