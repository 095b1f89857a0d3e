// The accountant's figures as the front end makes them: from the driver's
// JSON after a real report against the simulator, to a CSV that a CSV
// reader (libcsv, with the spreadsheet's ';') takes as Polish decimals.
#include "frontend/logic/accountant_figures.h"

#include <csv.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

#include "frontend/logic/connection_sequence.h"
#include "frontend/logic/report_range.h"
#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;
using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The rows of a CSV text as libcsv reads them with ';' between fields.
Rows csvRows(const std::string& text)
{
    struct Reading {
        Rows rows;
        std::vector<std::string> row;
    } reading;
    csv_parser parser;
    EXPECT_EQ(csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI), 0);
    csv_set_delim(&parser, ';');
    const auto field = [](void* bytes, std::size_t size, void* data) {
        static_cast<Reading*>(data)->row.emplace_back(static_cast<const char*>(bytes), size);
    };
    const auto end = [](int, void* data) {
        auto* r = static_cast<Reading*>(data);
        r->rows.push_back(std::move(r->row));
        r->row.clear();
    };
    EXPECT_EQ(csv_parse(&parser, text.data(), text.size(), field, end, &reading), text.size()) << csv_strerror(csv_error(&parser));
    EXPECT_EQ(csv_fini(&parser, field, end, &reading), 0);
    csv_free(&parser);
    return reading.rows;
}

// A Polish decimal in grosze: digits, a comma, two digits.
std::uint64_t polishGrosze(const std::string& text)
{
    EXPECT_TRUE(std::regex_match(text, std::regex("[0-9]+,[0-9]{2}"))) << text;
    const std::size_t comma = text.find(',');
    return std::stoull(text.substr(0, comma)) * 100 + std::stoull(text.substr(comma + 1));
}

// The working folder of the front end for the test's duration.
class InFolder {
public:
    explicit InFolder(const std::string& path) { std::filesystem::current_path(path); }
    ~InFolder() { std::filesystem::current_path(previous_); }

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
};

AccountantFigures twoSections()
{
    AccountantFigures f;
    f.unique = "ABC12345678";
    f.nip = "123;456 \"78\"";
    f.kind = 3;
    f.from = "2012-01-02";
    f.to = "2012-01-31";
    f.firstReport = 1;
    f.lastReport = 4;
    f.sections = {
        {"PLN", {{"A", "23,00", 123, 23, 100, "K_19", "K_20"}, {"E", "zw.", 5005, 0, 5005, "K_10", ""}}, 5128, 23, 7},
        {"EUR", {{"G", "3,00", 103, 3, 100, "", ""}}, 103, 3, 1},
    };
    return f;
}

}

TEST(AccountantFigures, TheCsvReadsAsPolishDecimalsWithARowPerRateAndATotalPerSection)
{
    const std::string csv = accountantFiguresCsv(twoSections());
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u) << "a byte order mark opens it";
    const Rows rows = csvRows(csv.substr(3));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (std::vector<std::string> {"Numer unikatowy", "NIP", "Rodzaj raportu", "Od dnia", "Do dnia", "Od raportu",
        "Do raportu", "Waluta", "Litera", "Stawka", "Netto", "VAT", "Brutto", "Ilość paragonów", "Pole JPK netto", "Pole JPK VAT"}));
    for (const auto& row : rows)
        ASSERT_EQ(row.size(), rows[0].size());
    EXPECT_EQ(rows[1][1], "123;456 \"78\"") << "quoted and read back whole";
    EXPECT_EQ((std::vector<std::string>(rows[1].begin() + 7, rows[1].end())),
        (std::vector<std::string> {"PLN", "A", "23,00", "1,00", "0,23", "1,23", "", "K_19", "K_20"}));
    EXPECT_EQ((std::vector<std::string>(rows[2].begin() + 7, rows[2].end())),
        (std::vector<std::string> {"PLN", "E", "zw.", "50,05", "0,00", "50,05", "", "K_10", ""}));
    EXPECT_EQ((std::vector<std::string>(rows[3].begin() + 7, rows[3].end())),
        (std::vector<std::string> {"PLN", "", "razem", "51,05", "0,23", "51,28", "7", "", ""}));
    EXPECT_EQ(rows[4][7], "EUR");
    EXPECT_EQ(rows[4][14], "") << "a rate with no JPK field";
    EXPECT_EQ(rows[5][9], "razem");
    for (std::size_t r = 1; r < rows.size(); ++r)
        EXPECT_EQ(polishGrosze(rows[r][10]) + polishGrosze(rows[r][11]), polishGrosze(rows[r][12])) << "net + VAT = gross";
}

TEST(AccountantFigures, FromTheDriverAfterAReportToJsonAndCsv)
{
    kelvo::test::TempDir dir;
    const InFolder folder(dir.path());
    std::string error;
    EXPECT_EQ(writeAccountantFigures(dir.path(), "przed", error), 125) << "no report in this process yet";
    EXPECT_EQ(error, "BŁĄD NUMER 125: BRAK ZESTAWIENIA - OSTATNI RAPORT OKRESOWY NIE ZOSTAŁ WYKONANY");
    EXPECT_FALSE(std::filesystem::exists(dir.file("przed.csv")));

    kelvo::test::ScopedEnv port {"KELVO_COM7", dir.file("com")};
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"}, dir.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    ConnectionEvents events;
    events.continueWithoutRegister = [](const std::string&) { return false; };
    events.showMainWindow = [] { };
    events.requestEnd = [] { };
    events.busy = [](bool) { };
    Session session;
    ASSERT_EQ(runConnection(session, ConnectionChoice {7, 0, 0, 0}, events).result, ConnectionResult::RangeWindow);
    RangeChoice monthly;
    monthly.kind = 1;
    monthly.monthItem = 0;
    monthly.year = 2012;
    ASSERT_EQ(runReport(session, monthly).code, 0);

    std::filesystem::create_directories(dir.file("wyniki"));
    ASSERT_EQ(writeAccountantFigures(dir.file("wyniki"), "styczen", error), 0) << error;
    const std::optional<AccountantFigures> figures = readAccountantFigures(dir.file("wyniki/styczen.json"), error);
    ASSERT_TRUE(figures) << error;
    EXPECT_EQ(figures->unique, "ABC 12345678");
    EXPECT_EQ(figures->nip, "123-456-78-90");
    EXPECT_EQ(figures->kind, 1);
    EXPECT_EQ(figures->from, "2012-01-02");
    EXPECT_EQ(figures->to, "2012-01-31");
    EXPECT_EQ(figures->firstReport, 1);
    EXPECT_EQ(figures->lastReport, 4);
    ASSERT_EQ(figures->sections.size(), 1u);
    const AccountantSection& pln = figures->sections[0];
    EXPECT_EQ(pln.currency, "PLN");
    std::vector<std::string> letters;
    for (const AccountantRate& rate : pln.rates)
        letters.push_back(rate.letter + " " + rate.rate + " " + rate.jpkNet + " " + rate.jpkVat);
    EXPECT_EQ(letters, (std::vector<std::string> {"A 23,00 K_19 K_20", "B 8,00 K_17 K_18", "C 5,00 K_15 K_16", "D 0,00 K_13 ",
        "E zw. K_10 "}));

    const std::string csv = readFile(dir.file("wyniki/styczen.csv"));
    EXPECT_EQ(csv, accountantFiguresCsv(*figures));
    const Rows rows = csvRows(csv.substr(3));
    ASSERT_EQ(rows.size(), 1 + pln.rates.size() + 1);
    std::uint64_t vat = 0, gross = 0;
    for (std::size_t r = 1; r + 1 < rows.size(); ++r) {
        vat += polishGrosze(rows[r][11]);
        gross += polishGrosze(rows[r][12]);
    }
    EXPECT_EQ(vat, pln.vatTotal);
    EXPECT_EQ(gross, pln.totalDue);
    EXPECT_EQ(polishGrosze(rows.back()[12]), pln.totalDue);
    EXPECT_EQ(rows.back()[13], std::to_string(pln.receipts));
}

TEST(AccountantFigures, AFileThatIsNotTheDriversIsRefusedInPolishWithoutWaiting)
{
    kelvo::test::TempDir dir;
    std::string error;
    EXPECT_FALSE(readAccountantFigures(dir.file("brak.json"), error));
    EXPECT_EQ(error.rfind("Nie można odczytać zestawienia " + dir.file("brak.json"), 0), 0u) << error;

    writeFile(dir.file("tekst.json"), "R A P O R T");
    EXPECT_FALSE(readAccountantFigures(dir.file("tekst.json"), error));
    EXPECT_NE(error.find("nie jest zestawieniem dla księgowości"), std::string::npos) << error;

    const std::string badAmount = R"({"unique": "X", "nip": "", "kind": 1, "from": "2012-01-01", "to": "2012-01-31",
        "first_report": 1, "last_report": 2, "sections": [{"currency": "PLN", "total_due": "1,00", "vat_total": "0.00",
        "receipts": 1, "rates": []}]})";
    writeFile(dir.file("kwota.json"), badAmount);
    EXPECT_FALSE(readAccountantFigures(dir.file("kwota.json"), error)) << "an amount with a comma is not the driver's";

    ASSERT_EQ(::mkfifo(dir.file("fifo.json").c_str(), 0600), 0);
    EXPECT_FALSE(readAccountantFigures(dir.file("fifo.json"), error)) << "a FIFO does not block";
}
