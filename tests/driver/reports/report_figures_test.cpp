// The accountant's figures against the report they come from: for every
// report kind of every simulator scenario and for every golden report, the
// per-rate rows of the JSON sum to the report's own totals block, read here
// from the report text.
#include <filesystem>
#include <kelvo/kelvodrv.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "driver/reports/report_figures.h"
#include "tests/driver/register_fixture.h"

using kelvo::test::readFile;
using kelvo::test::writeFile;
using nlohmann::json;

namespace {

const std::filesystem::path kHere = std::filesystem::path(__FILE__).parent_path();

// "1.234,56" in grosze.
std::uint64_t groszeOfReport(const std::string& text)
{
    std::string digits;
    for (const char c : text)
        if (c != '.' && c != ',')
            digits += c;
    EXPECT_EQ(text.find_first_not_of("0123456789.,"), std::string::npos) << text;
    EXPECT_EQ(text.rfind(','), text.size() - 3) << text;
    return std::stoull(digits);
}

// "1234.56" in grosze.
std::uint64_t groszeOfJson(const json& value)
{
    const std::string text = value.get<std::string>();
    EXPECT_EQ(text.find('.'), text.size() - 3) << text;
    return std::stoull(text.substr(0, text.size() - 3)) * 100 + std::stoull(text.substr(text.size() - 2));
}

// One "ŁĄCZNY RAPORT OKRESOWY" block as the report prints it.
struct TotalsBlock {
    std::map<char, std::uint64_t> taxedNet;  // "Sprzed. opod.PTU X"
    std::set<char> exemptLetters;            // "Sprzed. zwol.PTU A,D"
    std::uint64_t exemptNet = 0;
    std::map<char, std::uint64_t> tax;       // "Kwota PTU X" or "X+"
    std::set<char> rateChanged;
    std::uint64_t taxTotal = 0;
    std::uint64_t grossTotal = 0;
    std::string currency;
    std::uint64_t receipts = 0;
};

std::string lastWord(const std::string& line)
{
    const std::size_t end = line.find_last_not_of(' ');
    const std::size_t start = line.find_last_of(' ', end);
    return line.substr(start + 1, end - start);
}

bool startsWith(const std::string& line, const std::string& prefix)
{
    return line.compare(0, prefix.size(), prefix) == 0;
}

// The totals blocks of a Windows-1250 report text, in order.
std::vector<TotalsBlock> totalsBlocks(const std::string& report)
{
    const std::string title = "\xA3\xA5" "CZNY RAPORT OKRESOWY";
    const std::string taxTotal = "\xA3\xB9" "czna kwota PTU";
    const std::string grossTotal = "\xA3\xB9" "czna nale\xBFno\x9C\xE6";
    const std::string receipts = "Ilo\x9C\xE6 paragon\xF3w";
    std::vector<TotalsBlock> blocks;
    std::istringstream lines(report);
    std::string line;
    bool inBlock = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find(title) != std::string::npos) {
            blocks.emplace_back();
            inBlock = true;
            continue;
        }
        if (!inBlock)
            continue;
        TotalsBlock& b = blocks.back();
        const std::string value = lastWord(line);
        if (startsWith(line, "Sprzed. opod.PTU "))
            b.taxedNet[line[17]] = groszeOfReport(value);
        else if (startsWith(line, "Sprzed. zwol.PTU ")) {
            for (std::size_t k = 17; k < line.size() && line[k] != ' '; k += 2)
                b.exemptLetters.insert(line[k]);
            b.exemptNet = groszeOfReport(value);
        } else if (startsWith(line, "Kwota PTU ")) {
            b.tax[line[10]] = groszeOfReport(value);
            if (line[11] == '+')
                b.rateChanged.insert(line[10]);
        } else if (startsWith(line, taxTotal))
            b.taxTotal = groszeOfReport(value);
        else if (startsWith(line, grossTotal))
            b.grossTotal = groszeOfReport(value);
        else if (startsWith(line, "Waluta ewidencyjna"))
            b.currency = value;
        else if (startsWith(line, receipts)) {
            b.receipts = std::stoull(value);
            inBlock = false;
        }
    }
    return blocks;
}

// The rows of a section sum to its block: per letter, over all rows, and
// the section's own totals; a letter with two taxed rates shows the change.
void expectSectionMatches(const json& section, const TotalsBlock& block)
{
    std::map<char, std::uint64_t> taxedNet, tax;
    std::map<char, std::set<std::string>> taxedRates;
    std::set<char> exemptLetters;
    std::uint64_t exemptNet = 0, taxSum = 0, grossSum = 0;
    for (const json& row : section.at("rates")) {
        const char letter = row.at("letter").get<std::string>().at(0);
        const std::uint64_t net = groszeOfJson(row.at("net"));
        const std::uint64_t vat = groszeOfJson(row.at("vat"));
        EXPECT_EQ(groszeOfJson(row.at("gross")), net + vat);
        if (row.at("rate") == "zw.") {
            exemptLetters.insert(letter);
            exemptNet += net;
            EXPECT_EQ(vat, 0u);
        } else {
            taxedNet[letter] += net;
            taxedRates[letter].insert(row.at("rate").get<std::string>());
        }
        tax[letter] += vat;
        taxSum += vat;
        grossSum += net + vat;
    }
    for (const auto& [letter, net] : taxedNet)
        EXPECT_EQ(block.taxedNet.count(letter) ? block.taxedNet.at(letter) : 0, net) << "net of " << letter;
    for (const auto& [letter, net] : block.taxedNet)
        EXPECT_EQ(taxedNet[letter], net) << "net of " << letter;
    EXPECT_EQ(exemptNet, block.exemptNet);
    for (const char letter : exemptLetters)
        EXPECT_TRUE(block.exemptLetters.count(letter)) << "exempt " << letter;
    for (const auto& [letter, amount] : block.tax)
        EXPECT_EQ(tax[letter], amount) << "tax of " << letter;
    for (const auto& [letter, amount] : tax) {
        if (amount != 0) {
            EXPECT_TRUE(block.tax.count(letter)) << "tax of " << letter;
        }
    }
    for (const auto& [letter, rates] : taxedRates) {
        if (rates.size() > 1) {
            EXPECT_TRUE(block.rateChanged.count(letter)) << "two rates of " << letter;
        }
    }
    EXPECT_EQ(taxSum, block.taxTotal);
    EXPECT_EQ(grossSum, block.grossTotal);
    EXPECT_EQ(groszeOfJson(section.at("vat_total")), block.taxTotal);
    EXPECT_EQ(groszeOfJson(section.at("total_due")), block.grossTotal);
    EXPECT_EQ(section.at("currency"), block.currency);
    EXPECT_EQ(section.at("receipts").get<std::uint64_t>(), block.receipts);
}

using Command = unsigned char (*)(const char*, const char*);

class ReportFiguresTest : public kelvo::test::RegisterTest {
protected:
    int run(Command command, const std::string& dataLine)
    {
        writeFile("in", "#1\r\n#\r\n#\r\n" + dataLine + "\r\n");
        return command("in", "report.txt");
    }

    json figures()
    {
        EXPECT_EQ(ZapisZestawieniaKsiegowego("figures.json"), 0);
        return json::parse(readFile("figures.json"));
    }

    // The figures of the report just made against its text; the number of
    // sections checked.
    std::size_t expectFiguresMatchReport(const std::string& reportText)
    {
        const json f = figures();
        for (const char* key : {"unique", "nip", "kind", "from", "to", "first_report", "last_report", "sections"})
            EXPECT_TRUE(f.contains(key)) << key;
        const std::vector<TotalsBlock> blocks = totalsBlocks(reportText);
        EXPECT_EQ(f.at("sections").size(), blocks.size());
        for (std::size_t k = 0; k < std::min(blocks.size(), f.at("sections").size()); ++k) {
            SCOPED_TRACE("section " + std::to_string(k));
            expectSectionMatches(f.at("sections").at(k), blocks[k]);
        }
        return blocks.size();
    }
};

// The data lines of every kind for a scenario's fiscal memory: its first
// month, its first to its last date, all numbers.
std::vector<std::string> dataLinesFor(const json& scenario)
{
    std::string first, last;
    for (const json& record : scenario.value("records", json::array()))
        if (record.value("type", "") == "daily_report") {
            const std::string date = record.at("date").get<std::string>();
            first = first.empty() ? date : first;
            last = date;
        }
    std::vector<std::string> lines {"$3\t1\t65535", "$4", "$5", "$7\t1\t65535", "$8"};
    if (!first.empty()) {
        const std::string from = first.substr(0, 4) + "." + first.substr(5, 2) + "." + first.substr(8, 2);
        const std::string to = last.substr(0, 4) + "." + last.substr(5, 2) + "." + last.substr(8, 2);
        lines.push_back("$1\t" + first.substr(0, 4) + "." + first.substr(5, 2));
        lines.push_back("$2\t" + from + "\t" + to);
        lines.push_back("$6\t" + from + "\t" + to);
    }
    return lines;
}

std::vector<std::filesystem::path> allScenarios()
{
    std::vector<std::filesystem::path> files;
    for (const auto& folder : {std::filesystem::path(KELVOSIM_SCENARIOS), kHere / "scenarios"})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".json")
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}

TEST_F(ReportFiguresTest, EveryKindOfEveryScenarioSumsToItsTotalsBlock)
{
    std::size_t reports = 0, sections = 0, scenariosWithReports = 0;
    std::string codes;  // scenario: the result of each data line
    for (const std::filesystem::path& file : allScenarios()) {
        SCOPED_TRACE(file.filename().string());
        simulator_.reset();
        startRegister({"--scenario", file.string()});
        const json scenario = json::parse(readFile(file.string()));
        std::size_t made = 0;
        codes += file.filename().string() + ":";
        for (const std::string& dataLine : dataLinesFor(scenario)) {
            SCOPED_TRACE(dataLine);
            int code = run(X000028X, dataLine);
            if (code == 25)
                code = run(X000035X, dataLine);
            codes += " " + std::to_string(code);
            if (code != 0) {
                EXPECT_EQ(ZapisZestawieniaKsiegowego("figures.json"), 125) << "figures after result " << code;
                continue;
            }
            sections += expectFiguresMatchReport(readFile("report.txt"));
            ++made;
        }
        reports += made;
        scenariosWithReports += made != 0;
        codes += "\n";
    }
    // Registers that print their reports themselves, and those neither
    // command serves, refuse with 25; the four others give reports of
    // several kinds.
    EXPECT_GE(scenariosWithReports, 4u) << codes;
    EXPECT_GE(reports, 20u) << codes;
    EXPECT_GT(sections, reports);
}

TEST_F(ReportFiguresTest, EveryGoldenReportSumsToItsTotalsBlock)
{
    const struct {
        const char* scenario;
        Command command;
        const char* dataLine;
        const char* golden;
    } cases[] = {
        {"orvan-month.json", X000028X, "$1\t2012.01", "orvan-monthly.txt"},
        {"orvan-month.json", X000028X, "$2\t12.01.03\t2012r01.31", "orvan-by-dates.txt"},
        {"orvan-month.json", X000028X, "$3\t1\t2", "orvan-by-numbers.txt"},
        {"tiber-rate-change.json", X000028X, "$4", "tiber-previous-month.txt"},
        {"tiber-rate-change.json", X000028X, "$5", "tiber-current-month.txt"},
        {"tiber-rate-change.json", X000028X, "$3\t1\t6", "tiber-two-currencies.txt"},
        {"pelun-settlement.json", X000035X, "$8", "pelun-settlement-whole.txt"},
        {"pelun-settlement.json", X000035X, "$7\t2\t3", "pelun-settlement-numbers.txt"},
    };
    std::set<std::string> checked;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        const std::filesystem::path own = kHere / "scenarios" / c.scenario;
        simulator_.reset();
        startRegister({"--scenario", std::filesystem::exists(own) ? own.string() : std::string(KELVOSIM_SCENARIOS) + "/" + c.scenario});
        ASSERT_EQ(run(c.command, c.dataLine), 0) << readFile("RAPORT.TXT");
        const std::string golden = readFile((kHere / "golden" / c.golden).string());
        ASSERT_EQ(readFile("report.txt"), golden);
        EXPECT_GE(expectFiguresMatchReport(golden), 1u);
        checked.insert(c.golden);
    }
    for (const auto& entry : std::filesystem::directory_iterator(kHere / "golden"))
        EXPECT_TRUE(checked.count(entry.path().filename().string())) << entry.path().filename() << " is not checked";
}

TEST_F(ReportFiguresTest, ARateChangeGivesARowPerRateAndTwoCurrenciesTwoSections)
{
    startRegister({"--scenario", (kHere / "scenarios" / "tiber-rate-change.json").string()});
    ASSERT_EQ(run(X000028X, "$4"), 0) << readFile("RAPORT.TXT");
    json f = figures();
    EXPECT_EQ(f.at("unique"), "TBR 00000134");
    EXPECT_EQ(f.at("nip"), "9876543210");
    EXPECT_EQ(f.at("kind"), 4);
    EXPECT_EQ(f.at("from"), "2011-12-01");
    EXPECT_EQ(f.at("to"), "2011-12-08");
    EXPECT_EQ(f.at("first_report"), 2);
    EXPECT_EQ(f.at("last_report"), 4);
    ASSERT_EQ(f.at("sections").size(), 1u);
    const json& rates = f.at("sections").at(0).at("rates");
    const json expectedA = json::parse(R"([
        {"letter": "A", "rate": "22,00", "gross": "122.00", "vat": "22.00", "net": "100.00", "jpk_net": "K_19", "jpk_vat": "K_20"},
        {"letter": "A", "rate": "23,00", "gross": "123.00", "vat": "23.00", "net": "100.00", "jpk_net": "K_19", "jpk_vat": "K_20"}])");
    ASSERT_GE(rates.size(), 2u);
    EXPECT_EQ(rates.at(0), expectedA.at(0));
    EXPECT_EQ(rates.at(1), expectedA.at(1));
    EXPECT_EQ(rates.at(2).at("letter"), "B");

    ASSERT_EQ(run(X000028X, "$3\t1\t6"), 0) << readFile("RAPORT.TXT");
    f = figures();
    ASSERT_EQ(f.at("sections").size(), 2u);
    EXPECT_EQ(f.at("sections").at(0).at("currency"), "PLN");
    EXPECT_EQ(f.at("sections").at(1).at("currency"), "EUR");
}

TEST_F(ReportFiguresTest, AFailedReportLeavesNoFiguresOfAnEarlierOne)
{
    startRegister({"--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"});
    EXPECT_EQ(ZapisZestawieniaKsiegowego("figures.json"), 125);
    ASSERT_EQ(run(X000028X, "$3\t1\t2"), 0);
    EXPECT_EQ(ZapisZestawieniaKsiegowego(""), 3);
    EXPECT_EQ(ZapisZestawieniaKsiegowego("no-such-folder/figures.json"), 17);
    EXPECT_EQ(ZapisZestawieniaKsiegowego("figures.json"), 0);
    ASSERT_EQ(run(X000028X, "$3\t40\t50"), 71);
    std::filesystem::remove("figures.json");
    EXPECT_EQ(ZapisZestawieniaKsiegowego("figures.json"), 125);
    EXPECT_FALSE(std::filesystem::exists("figures.json"));
    // Another command between the report and the figures leaves them.
    ASSERT_EQ(run(X000028X, "$3\t1\t2"), 0);
    ASSERT_EQ(OStatus("IN", "out.txt"), 0);
    EXPECT_EQ(ZapisZestawieniaKsiegowego("figures.json"), 0);
}

TEST(ReportFigures, JpkFieldsOfEveryRateKind)
{
    using kelvo::drv::report::jpkFieldsOf;
    const struct {
        bool exempt;
        std::uint16_t rate;
        const char* net;
        const char* tax;
    } cases[] = {
        {false, 2300, "K_19", "K_20"}, {false, 2200, "K_19", "K_20"}, {false, 800, "K_17", "K_18"},
        {false, 700, "K_17", "K_18"}, {false, 500, "K_15", "K_16"}, {false, 0, "K_13", ""},
        {true, 0, "K_10", ""}, {false, 300, "", ""}, {false, 2100, "", ""}, {false, 2301, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + (c.exempt ? " exempt" : ""));
        EXPECT_EQ(jpkFieldsOf(c.exempt, c.rate).net, c.net);
        EXPECT_EQ(jpkFieldsOf(c.exempt, c.rate).tax, c.tax);
    }
}

TEST(ReportFigures, NipOfAHeaderLine)
{
    using kelvo::drv::report::nipOfHeaderLine;
    EXPECT_EQ(nipOfHeaderLine("   NIP 123-456-78-90"), "123-456-78-90");
    EXPECT_EQ(nipOfHeaderLine("NIP: 9876543210   "), "9876543210");
    EXPECT_EQ(nipOfHeaderLine("SKLEP KELVO"), "");
}
