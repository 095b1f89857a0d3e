// The periodic report commands against the register simulator: whole report
// texts compared with golden files, and the result codes of their failures.
#include <filesystem>
#include <kelvo/kelvodrv.h>
#include <random>

#include "tests/driver/register_fixture.h"

using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

const std::filesystem::path kHere = std::filesystem::path(__FILE__).parent_path();

std::string scenario(const std::string& name)
{
    return (kHere / "scenarios" / name).string();
}

std::string exampleScenario(const std::string& name)
{
    return (kHere / "../../../simulator/scenarios" / name).string();
}

using Command = unsigned char (*)(const char*, const char*);

class ReportCommandsTest : public kelvo::test::RegisterTest {
protected:
    // Runs the command with one data line in the input file "in".
    int run(Command command, const std::string& dataLine)
    {
        writeFile("in", "#1\r\n#\r\n#\r\n" + dataLine + "\r\n");
        return command("in", "report.txt");
    }

    std::string report() const { return readFile(dir_.file("report.txt")); }
};

struct GoldenCase {
    const char* dataLine;
    const char* golden;
};

}

TEST_F(ReportCommandsTest, OrvanReportsMatchTheirGoldenFiles)
{
    startRegister({"--scenario", exampleScenario("orvan-month.json")});
    const GoldenCase cases[] = {
        {"$1\t2012.01", "orvan-monthly.txt"},
        {"$4", "orvan-monthly.txt"},  // the clock says February 2012
        {"$2\t12.01.03\t2012r01.31", "orvan-by-dates.txt"},
        {"$3\t1\t2", "orvan-by-numbers.txt"},
    };
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.dataLine);
        ASSERT_EQ(run(X000028X, c.dataLine), 0) << readFile("RAPORT.TXT");
        EXPECT_EQ(report(), readFile((kHere / "golden" / c.golden).string()));
    }
}

TEST_F(ReportCommandsTest, RateChangeRamClearsUnknownRecordsAndTwoCurrenciesMatchTheirGoldenFiles)
{
    startRegister({"--scenario", scenario("tiber-rate-change.json")});
    const GoldenCase cases[] = {
        {"$4", "tiber-previous-month.txt"},  // the clock says January 2012: December 2011
        {"$5", "tiber-current-month.txt"},
        {"$3\t1\t6", "tiber-two-currencies.txt"},
    };
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.dataLine);
        ASSERT_EQ(run(X000028X, c.dataLine), 0) << readFile("RAPORT.TXT");
        EXPECT_EQ(report(), readFile((kHere / "golden" / c.golden).string()));
    }
}

TEST_F(ReportCommandsTest, SettlementReportsOfAFamilyBRegisterMatchTheirGoldenFiles)
{
    startRegister({"--scenario", scenario("pelun-settlement.json")});
    const GoldenCase cases[] = {
        {"$6\t2012.12.01\t2013.03.01", "pelun-settlement-whole.txt"},
        {"$8", "pelun-settlement-whole.txt"},
        {"$7\t2\t3", "pelun-settlement-numbers.txt"},
    };
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.dataLine);
        ASSERT_EQ(run(X000035X, c.dataLine), 0) << readFile("RAPORT.TXT");
        EXPECT_EQ(report(), readFile((kHere / "golden" / c.golden).string()));
    }
    EXPECT_EQ(run(X000028X, "$8"), 25) << "not a register of X000028X";
}

TEST_F(ReportCommandsTest, InputLineAndRangeFailures)
{
    startRegister({"--scenario", exampleScenario("orvan-month.json")});
    const struct {
        const char* dataLine;
        int code;
    } cases[] = {
        {"#", 11},  // a header line where the data line should be
        {"$", 11},
        {"$0", 11},
        {"$9", 11},
        {"$x", 11},
        {"$1", 11},
        {"$1\t2009.13", 11},
        {"$1\t2009.01.15", 11},
        {"$1\t2009.01.", 11},
        {"$2\t2012.01.02", 11},
        {"$2\t2012.01.02\t2012.02.30", 11},
        {"$3\t1\t65536", 11},
        {"$3\t1\tA", 11},
        {"$2\t2012.01.31\t2012.01.02", 70},
        {"$2\t2012.01.02\t2050.01.01", 70},
        {"$3\t5\t65535", 71},  // past the last report
        {"$2\t2012.03.01\t2012.03.31", 71},
        {"$5", 71},  // February 2012 has no report yet
        {"$1\t2012.02", 72},
        {"$6\t2012.01.01\t2012.01.31", 73},
        {"$7\t1\t2", 73},
        {"$8", 73},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataLine);
        EXPECT_EQ(run(X000028X, c.dataLine), c.code);
    }
    writeFile("in", "#1\r\n#\r\n#\r\n");
    EXPECT_EQ(X000028X("in", "report.txt"), 10);

    EXPECT_EQ(run(X000028X, "$2\t2012.01.02\t2012.01.02"), 0) << "start and end equal: that day";
    EXPECT_NE(report().find("od dn.12r01.02            do dn.12r01.02"), std::string::npos);
    EXPECT_EQ(requests("154").empty(), false);
}

TEST_F(ReportCommandsTest, KindsOutOfRangeAskTheRegisterNothingBeyondTheExchangeFrame)
{
    startRegister({"--scenario", exampleScenario("orvan-month.json")});
    EXPECT_EQ(run(X000028X, "$9\t2012.01"), 11);
    EXPECT_TRUE(requests("154").empty());
    EXPECT_TRUE(requests("53").empty());
    EXPECT_TRUE(requests("91").empty());
}

TEST_F(ReportCommandsTest, RegisterModesAndModels)
{
    writeFile("fiscal.json", R"({"model": 121, "fiscal": false, "clock": "2012-02-01 09:15"})");
    startRegister({"--scenario", "fiscal.json"});
    EXPECT_EQ(run(X000028X, "$1\t2012.01"), 69);
    EXPECT_EQ(run(X000035X, "$1\t2012.01"), 25);
    simulator_.reset();

    writeFile("y2000.json", R"({"model": 121, "clock": "2000-01-15 10:00"})");
    startRegister({"--scenario", "y2000.json"});
    EXPECT_EQ(run(X000028X, "$4"), 71) << "no month before January 2000";
    EXPECT_TRUE(requests("154").empty());
    simulator_.reset();

    startRegister({"--model", "101"});
    EXPECT_EQ(run(X000028X, "$3\t1\t3"), 25) << "Tiber 101 is not served by the report commands";
    simulator_.reset();

    writeFile("pelun100.json", R"({"model": 107, "version": 100})");
    startRegister({"--scenario", "pelun100.json"});
    EXPECT_EQ(run(X000035X, "$8"), 25) << "version 100 of the family B register";
    simulator_.reset();

    writeFile("saska.json", R"({"model": 102, "version": 101, "read_only": true, "clock": "2013-03-10 12:00",
        "header": ["SKLEP", "ULICA", "MIASTO", "NIP", "", ""],
        "header_copy": {"last_line": "NIP", "attribute": 2, "read_only_since": "2013-03-01 18:30"},
        "records": [{"type": "tax_rates", "date": "2012-12-01", "number": 1, "rates": {"A": "23.00"}},
                    {"type": "daily_report", "date": "2012-12-03", "number": 1, "gross": {"A": "1.23"}, "receipts": 1}]})");
    startRegister({"--scenario", "saska.json"});
    ASSERT_EQ(run(X000035X, "$8"), 0) ;
    const std::string text = report();
    // The register's 18 characters of the line, centred in 40 columns.
    EXPECT_EQ(text.substr(0, 42), std::string(11, ' ') + "SKLEP" + std::string(24, ' ') + "\r\n");
    EXPECT_NE(text.find("Kwota PTU A                         0,23\r\n"), std::string::npos);
}

TEST_F(ReportCommandsTest, FailuresKeepTheLinesWrittenBefore)
{
    startRegister({"--scenario", exampleScenario("orvan-month.json"), "--fault", "nak:53:1"});
    EXPECT_EQ(run(X000028X, "$3\t1\t2"), 24) << "the clock request after the header lines is refused";
    const std::string golden = readFile((kHere / "golden" / "orvan-by-numbers.txt").string());
    EXPECT_EQ(report(), golden.substr(0, golden.find("dn.12r02.01")));
    simulator_.reset();

    writeFile("copy.json", R"({"model": 121, "read_only": true, "header": ["SKLEP"],
        "records": [{"type": "daily_report", "date": "2012-01-02", "number": 1, "receipts": 1}]})");
    startRegister({"--scenario", "copy.json"});
    EXPECT_EQ(run(X000028X, "$8"), 73) << "the header copy does not say read-only";
    const std::string text = report();
    const std::string transition = "   DATA PRZEJ\x8C" "CIA W TRYB TYLKO ODCZYT   \r\n";
    ASSERT_GE(text.size(), transition.size());
    EXPECT_EQ(text.substr(text.size() - transition.size()), transition);
    simulator_.reset();

    startRegister({"--scenario", exampleScenario("orvan-month.json"), "--fault", "bad-checksum:2:vary"});
    EXPECT_EQ(run(X000028X, "$3\t1\t2"), 46);
    simulator_.reset();

    startRegister({"--scenario", exampleScenario("orvan-month.json")});
    writeFile("in", "#1\r\n#\r\n#\r\n$3\t1\t2\r\n");
    EXPECT_EQ(X000028X("in", "/dev/full"), 17);
}

TEST_F(ReportCommandsTest, RandomRecordBytesGiveAReportOrAnErrorCode)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const struct {
        const char* model;
        Command command;
    } registers[] = {{R"("model": 121)", X000028X}, {R"("model": 107, "version": 101)", X000035X}};
    for (const auto& r : registers) {
        unsigned reports = 0;
        for (unsigned seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(std::string(r.model) + " seed " + std::to_string(seed));
            std::mt19937 random(seed);
            std::string records = R"({"type": "tax_rates", "date": "2012-01-01", "number": 1, "rates": {"A": "23.00", "B": "exempt"}})";
            for (unsigned day = 1; day <= 28; ++day) {
                std::string raw;
                for (int k = 0; k < 63; ++k) {
                    const unsigned byte = random() % 256;
                    raw += (k == 0 ? "" : " ") + std::string {kHex[byte >> 4], kHex[byte & 15]};
                }
                records += R"(, {"raw": ")" + raw + R"("}, {"type": "daily_report", "date": "2012-02-)"
                    + (day < 10 ? "0" : "") + std::to_string(day) + R"(", "number": )" + std::to_string(day)
                    + R"(, "gross": {"A": "1.00"}, "receipts": 1})";
            }
            writeFile("random.json", std::string("{") + r.model + R"(, "clock": "2012-03-01 10:00", "records": [)" + records + "]}");
            startRegister({"--scenario", "random.json"});
            const int code = run(r.command, "$3\t1\t65535");
            EXPECT_TRUE(code == 0 || code == 71) << code;
            if (code == 0) {
                ++reports;
                EXPECT_NE(report().find("wyliczono na bie"), std::string::npos);
            }
            simulator_.reset();
        }
        EXPECT_GT(reports, 0u) << r.model;
    }
}
