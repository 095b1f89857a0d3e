// The report commands of the registers that print the periodic report
// themselves (X000029X, X000031X, X000033X) against the register simulator:
// the request frame byte for byte, the three answer formats, the refusal
// after a NAK to the probe, the register's result codes and the settlement
// access code from the user's configuration file.
#include <filesystem>
#include <kelvo/kelvodrv.h>

#include "tests/driver/register_fixture.h"

using kelvo::test::logLines;
using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

const std::filesystem::path kHere = std::filesystem::path(__FILE__).parent_path();

std::string exampleScenario(const std::string& name)
{
    return (kHere / "../../../simulator/scenarios" / name).string();
}

using Command = unsigned char (*)(const char*, const char*);

// A report line as the output file holds it: padded to width, CR LF.
std::string line(const std::string& text, std::size_t width)
{
    return text + std::string(width - text.size(), ' ') + "\r\n";
}

class PrintedReportsTest : public kelvo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        std::filesystem::create_directories(dir_.file("config/kelvor"));
        ::setenv("XDG_CONFIG_HOME", dir_.file("config").c_str(), 1);
        // The pairs of the example scenarios: 17, 300 mod 256 = 44, 3, 33.
        writeFile(dir_.file("config/kelvor/access-code.conf"), "# pairs\n10 7 200 100 1 2 33 0\n");
    }

    void TearDown() override
    {
        ::unsetenv("XDG_CONFIG_HOME");
        RegisterTest::TearDown();
    }

    int run(Command command, const std::string& dataLine)
    {
        writeFile("in", "#1\r\n#\r\n#\r\n" + dataLine + "\r\n");
        return command("in", "report.txt");
    }

    std::string report() const { return readFile(dir_.file("report.txt")); }
    std::vector<std::string> frames() const { return logLines(log(), "report="); }
    std::string lastFrame() const
    {
        const auto all = frames();
        return all.empty() ? std::string() : all.back();
    }
};

}

TEST_F(PrintedReportsTest, FixedLinesOfTheGilonRow)
{
    startRegister({"--scenario", exampleScenario("gilon-printed.json")});
    ASSERT_EQ(run(X000029X, "$1\t2012.01"), 0) << readFile("RAPORT.TXT");
    EXPECT_EQ(lastFrame(), "report=\"monthly 12.01\" frame=[82 01 02 00 01] result=0 answer=170 bytes");
    EXPECT_EQ(report(), line("R A P O R T   M I E S I \xCA C Z N Y", 40) + line("ZA OKRES 12.01.01 - 12.01.31", 40) +
                            line("SPRZEDA\xAF OPODATK. A        1.234,56", 40) +
                            line("\xA3\xA5" "CZNIE                    1.234,56", 40));

    // Kind 8: the settlement header alone, with the access code and the clock date.
    ASSERT_EQ(run(X000029X, "$8"), 0) << readFile("RAPORT.TXT");
    EXPECT_EQ(lastFrame(), "report=\"settlement-whole\" frame=[88 11 2C 03 21 01 02 00 02 01 06] result=0 answer=86 bytes");
    EXPECT_EQ(report(), line("ROZLICZENIOWY CA\xA3O\x8C" "CI", 40) + line("RAPORT\xD3W DOBOWYCH: 2", 40));

    EXPECT_EQ(run(X000029X, "$2\t2012.01.01\t2012.01.31"), 71) << "the register has no such report";
    EXPECT_EQ(run(X000031X, "$1\t2012.01"), 25);
    EXPECT_EQ(run(X000033X, "$1\t2012.01"), 25);
    EXPECT_EQ(run(X000029X, "$9"), 11);
    EXPECT_EQ(run(X000029X, "$1\t2012.13"), 11);
    EXPECT_EQ(frames().size(), 3u) << "refused input sends no report request";
}

TEST_F(PrintedReportsTest, FixedLineCharactersAndABadLineEnd)
{
    // Control characters 2, 3, 4 dropped, others blanked; then a line whose
    // 42nd byte is not LF.
    std::string good = "00 41 02 42 03 43 04 44 01 45 09 46";
    for (int k = 0; k < 29; ++k)
        good += " 20";
    good += " 0A";
    std::string bad = "00";
    for (int k = 0; k < 41; ++k)
        bad += " 5A";
    writeFile("gilon.json", R"({"model": 108, "printed_reports": [{"lines": ["FIRST", {"raw": ")" + good +
                                R"("}, {"raw": ")" + bad + R"("}, "NEVER"]}]})");
    startRegister({"--scenario", "gilon.json"});
    EXPECT_EQ(run(X000029X, "$3\t1\t2"), 23);
    EXPECT_TRUE(lastFrame().starts_with("report=\"numbers 1 2\" frame=[81 01 00 02 00]")) << lastFrame();
    EXPECT_EQ(report(), line("FIRST", 40) + line("ABCD E F", 40));
}

TEST_F(PrintedReportsTest, EtxBlockOfTheVotraKRows)
{
    startRegister({"--scenario", exampleScenario("votra-k-printed.json")});
    // The scenario breaks the first block's CRC: 46, and nothing written.
    EXPECT_EQ(run(X000031X, "$2\t2012.01.05\t2012.01.31"), 46);
    EXPECT_EQ(report(), "");
    // Ten-character dates: the digits of their last eight characters.
    ASSERT_EQ(run(X000031X, "$2\t2012.01.05\t2012.01.31"), 0) << readFile("RAPORT.TXT");
    EXPECT_TRUE(lastFrame().starts_with(
        "report=\"dates 12.01.05 12.01.31\" frame=[80 01 02 00 01 00 05 01 02 00 01 03 01]")) << lastFrame();
    EXPECT_EQ(report(), line("RAPORT OKRESOWY", 42) + line("OD 12.01.05 DO 12.01.31", 42) +
                            line("NIP 123  4567890", 42) + line("\xA3\xA5" "CZNIE SPRZEDA\xAF              1.234,56", 42));

    ASSERT_EQ(run(X000031X, "$7\t1\t2"), 0) << readFile("RAPORT.TXT");
    EXPECT_TRUE(lastFrame().starts_with(
        "report=\"settlement-numbers 1 2\" frame=[87 11 2C 03 21 01 02 00 02 01 06 01 00 02 00]")) << lastFrame();
}

TEST_F(PrintedReportsTest, EtxBlockLinesAreCutAtTheLineWidth)
{
    const std::string full(42, 'W');
    // A line of exactly 42 consumes its LF; a longer run is cut at 42; the
    // text after the last LF is not written; a CR inside the text is refused.
    writeFile("votra.json", R"({"model": 129, "printed_reports": [
        {"request": "numbers 1 1", "lines": [")" + full + R"(", ")" + full + R"(XY", "A PL B PL C", {"raw": "54 41 49 4C"}]},
        {"request": "numbers 2 2", "lines": ["OK", {"raw": "42 41 0D 44 0A"}]}]})");
    startRegister({"--scenario", "votra.json"});
    ASSERT_EQ(run(X000031X, "$3\t1\t1"), 0) << readFile("RAPORT.TXT");
    EXPECT_EQ(report(), line(full, 42) + line(full, 42) + line("XY", 42) + line("A  B PL C", 42));
    EXPECT_EQ(run(X000031X, "$3\t2\t2"), 23);
    EXPECT_EQ(report(), line("OK", 42));
}

TEST_F(PrintedReportsTest, PrintStreamOfTheVotraRows)
{
    startRegister({"--scenario", exampleScenario("votra-printed.json")});
    // The scenario's first probe is refused with the paper out.
    EXPECT_EQ(run(X000033X, "$3\t1\t2"), 48);
    EXPECT_TRUE(frames().empty());
    ASSERT_EQ(run(X000033X, "$3\t1\t2"), 0) << readFile("RAPORT.TXT");
    EXPECT_EQ(report(), line("R A P O R T   O K R E S O W Y", 40) + line("OD NUMERU 1 DO 2", 40) +
                            std::string(40, '-') + "\r\n" + "\xA3\xA5" "CZNIE?1.234,56" + std::string(24, '?') + "\r\n");
}

TEST_F(PrintedReportsTest, PrintStreamEscapes)
{
    const struct {
        const char* raw;
        int code;
        std::string text;
    } cases[] = {
        // ESC 92 skips two bytes and up to its LF, ESC 93 66 bytes, ESC 95 one.
        {"41 1B 5C 01 02 5A 5A 0A 42 1B 5F 5A 43 0A", 0, line("ABC", 40)},
        {"1E 1F FE 01 41 0D 0A 42", 0, line(",.-A", 40) + line("B", 40)},
        // ESC 105: a line of 43; reaching the width writes it, the LF after it nothing.
        {"1B 69 1B 65 4B 41 0A 0A 42", 0, std::string(43, 'A') + "\r\n" + line("", 40) + line("B", 40)},
        // ESC 128: blanks; ESC 103 ends the line and skips a byte; ESC 22 ends one.
        {"41 1B 80 23 42 1B 67 5A 1B 16 43", 0, line("A   B", 40) + line("", 40) + line("C", 40)},
        {"1B 81 41 1B 80 22 42", 0, line("A     B ", 40)},
        // ESC 102 and ESC 104 skip their one parameter byte (not a count of
        // bytes: 'A' would swallow 65); an unknown escape skips nothing more.
        {"1B 66 41 42 1B 68 5A 43 1B 99 44", 0, line("BCD", 40)},
        {"41 0A 1B 62 02", 23, line("A", 40)},
        {"41 0A 42 1B 65", 23, line("A", 40)},  // cut off inside a sequence
        {"1B 65 4A 41", 23, ""},                 // 42 characters in a line of 40
    };
    std::string reports;
    for (std::size_t k = 0; k < std::size(cases); ++k)
        reports += std::string(k ? "," : "") + R"({"request": "numbers )" + std::to_string(k) + " " +
                   std::to_string(k) + R"(", "lines": [{"raw": ")" + cases[k].raw + R"("}]})";
    writeFile("votra.json", R"({"model": 125, "printed_reports": [)" + reports + "]}");
    startRegister({"--scenario", "votra.json"});
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        SCOPED_TRACE(cases[k].raw);
        const std::string n = std::to_string(k);
        EXPECT_EQ(run(X000033X, "$3\t" + n + "\t" + n), cases[k].code);
        EXPECT_EQ(report(), cases[k].text);
    }
}

TEST_F(PrintedReportsTest, RefusalAfterANakToTheProbe)
{
    const struct {
        const char* model;
        const char* status;
        bool fiscal;
        Command command;
        int code;
    } cases[] = {
        {"108", "{}", false, X000029X, 69},
        {"108", R"({"84": 16})", true, X000029X, 101},
        {"108", R"({"85": 4})", true, X000029X, 47},
        {"124", R"({"85": 2})", true, X000033X, 48},
        {"124", R"({"85": 1})", true, X000033X, 74},
        {"108", R"({"85": 64})", true, X000029X, 74},
        {"108", R"({"84": 2})", true, X000029X, 24},
        {"128", "{}", false, X000031X, 69},
        {"130", R"({"84": 16})", true, X000031X, 101},
        {"128", R"({"84": 2})", true, X000031X, 74},
        {"131", R"({"86": 64})", true, X000031X, 75},
        {"128", R"({"85": 4})", true, X000031X, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.status);
        writeFile("refuse.json", std::string(R"({"model": )") + c.model + R"(, "fiscal": )" + (c.fiscal ? "true" : "false") +
                                     R"(, "status_bytes": )" + c.status + R"(, "faults": ["nak:49"]})");
        startRegister({"--scenario", "refuse.json"});
        EXPECT_EQ(run(c.command, "$3\t1\t2"), c.code);
        EXPECT_TRUE(frames().empty()) << "no report request after a refusal";
        simulator_.reset();
    }
}

TEST_F(PrintedReportsTest, RegisterResultCodes)
{
    std::vector<std::string> arguments {"--scenario", "codes.json"};
    for (int code = 1; code <= 10; ++code)
        arguments.insert(arguments.end(), {"--fault", "status:49:" + std::to_string(code) + ":1"});
    const int etxBlock[] = {70, 71, 70, 72, 208, 76, 223, 77, 73, 23};
    const int others[] = {70, 71, 70, 72, 208, 23, 23, 23, 23, 23};
    for (const char* model : {"128", "108", "124"}) {
        SCOPED_TRACE(model);
        writeFile("codes.json", std::string(R"({"model": )") + model + R"(, "printed_reports": [{"lines": ["X"]}]})");
        startRegister(arguments);
        const Command command = model[1] == '2' && model[2] == '8' ? X000031X : model[1] == '0' ? X000029X : X000033X;
        for (int code = 1; code <= 10; ++code) {
            EXPECT_EQ(run(command, "$3\t1\t2"), (command == X000031X ? etxBlock : others)[code - 1]) << "code " << code;
            EXPECT_EQ(report(), "");
        }
        EXPECT_EQ(run(command, "$3\t1\t2"), 0);
        simulator_.reset();
    }
}

TEST_F(PrintedReportsTest, SettlementNeedsReadOnlyModeAndTheAccessCode)
{
    startRegister({"--scenario", exampleScenario("votra-k-printed.json")});
    EXPECT_EQ(run(X000031X, "$3\t1\t2"), 46) << "the scenario's broken CRC";
    writeFile(dir_.file("config/kelvor/access-code.conf"), "10 7 200 100 1 2 33 1\n");
    EXPECT_EQ(run(X000031X, "$7\t1\t2"), 76) << "a wrong access code";
    std::filesystem::remove(dir_.file("config/kelvor/access-code.conf"));
    const std::size_t framesBefore = frames().size();
    const std::size_t probesBefore = requests("49").size();
    EXPECT_EQ(run(X000031X, "$8"), 13) << "no access code configured";
    EXPECT_EQ(frames().size(), framesBefore);
    writeFile(dir_.file("config/kelvor/access-code.conf"), "10 7 200 100 1 2 33\n");
    EXPECT_EQ(run(X000031X, "$8"), 16) << "seven bytes";
    writeFile(dir_.file("config/kelvor/access-code.conf"), "10 7 200 100 1 2 33 256\n");
    EXPECT_EQ(run(X000031X, "$8"), 16) << "not a byte";
    EXPECT_EQ(frames().size(), framesBefore);
    EXPECT_EQ(requests("49").size(), probesBefore) << "nothing sent for the settlement";
    EXPECT_EQ(run(X000031X, "$3\t1\t2"), 71) << "kinds that are not settlements need no code";
    simulator_.reset();

    writeFile(dir_.file("config/kelvor/access-code.conf"), "$0A 7 200 100 1 2 33 0\n");
    writeFile("read-write.json", R"({"model": 108})");
    startRegister({"--scenario", "read-write.json"});
    EXPECT_EQ(run(X000029X, "$6\t2012.01.01\t2012.01.31"), 73);
    EXPECT_EQ(frames().size(), framesBefore + 1) << "only the report by numbers above";
}

TEST_F(PrintedReportsTest, SilenceAndOversizedAnswers)
{
    startRegister({"--model", "124", "--fault", "silent:49:1", "--fault", "report-oversized"});
    EXPECT_EQ(run(X000033X, "$3\t1\t2"), 21) << "silence to the probe: the port's time-out";
    EXPECT_EQ(run(X000033X, "$3\t1\t2"), 23) << "an answer beyond 10 MiB";
    EXPECT_EQ(report(), "");
    simulator_.reset();
    startRegister({"--model", "128", "--fault", "report-oversized"});
    EXPECT_EQ(run(X000031X, "$3\t1\t2"), 23) << "a text block beyond 10 MiB";
    EXPECT_EQ(report(), "");
}

TEST_F(PrintedReportsTest, NoDataLineAFailedWriteAndAConnectionThatDrops)
{
    const struct {
        Command command;
        const char* model;
    } commands[] = {{X000029X, "108"}, {X000031X, "128"}, {X000033X, "124"}};
    for (const auto& c : commands) {
        SCOPED_TRACE(c.model);
        const std::string scenario = std::string(c.model) + ".json";
        writeFile(scenario,
            std::string(R"({"model": )") + c.model + R"(, "printed_reports": [{"request": "numbers 1 2", "lines": ["A"]}]})");
        simulator_.reset();
        startRegister({"--scenario", scenario});
        writeFile("in", "#1\r\n#\r\n#\r\n");
        EXPECT_EQ(c.command("in", "report.txt"), 10) << "an input without a data line";
        const std::size_t framesBefore = frames().size();
        writeFile("in", "#1\r\n#\r\n#\r\n$3\t1\t2\r\n");
        EXPECT_EQ(c.command("in", "/dev/full"), 17) << "the report's lines cannot be written";
        EXPECT_EQ(frames().size(), framesBefore + 1) << "the report was asked for before the write failed";

        // Over TCP the register takes the probe, answers it and drops the
        // connection: the request frame cannot be sent, and the link's own
        // error is the result, not the send time-out of a serial line.
        simulator_.reset();
        const std::string output = dir_.file("tcp.out");
        kelvo::test::SimulatorProcess tcp(KELVOSIM_PATH,
            {"--tcp", "127.0.0.1:0", "--scenario", scenario, "--fault", "hang-up:49:1", "--log", log()}, output);
        ASSERT_TRUE(tcp.listening()) << readFile(output);
        writeFile("KONFIG.TXT", "$1\tCOM1:9600:MUX6:0\t2\tNET\tx:1:127.0.0.1:" + std::to_string(tcp.tcpPort()) + ":ABCDEFGH:2:0\r\n");
        EXPECT_EQ(run(c.command, "$3\t1\t2"), 65) << readFile("RAPORT.TXT");
        EXPECT_EQ(frames().size(), framesBefore + 1) << "no report request reached the register";
        writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX0:1\t2\tKELVO\r\n");
    }
}
