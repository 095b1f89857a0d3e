#include <kelvo/kelvodrv_contract.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <unistd.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>

#include "frontend/logic/accountant_figures.h"
#include "frontend/logic/text_encoding.h"
#include "frontend/logic/working_folder.h"
#include "tests/support/command_output.h"
#include "tests/support/loopback_ends.h"
#include "tests/support/other_user.h"
#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

using kelvo::test::readFile;

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

class KelvorCliTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(dir_.file("work")); }

    // Runs kelvor-cli; its standard error goes to the file errors, a terminal's path or a file of its own.
    Outcome cli(const std::string& arguments, std::string errors = "")
    {
        if (errors.empty())
            errors = dir_.file("stderr.txt");
        const std::string command = "cd '" + startFolder_ + "' && TEMP='" + temp_ + "' XDG_CACHE_HOME='" + dir_.file("cache")
            + "' XDG_DATA_HOME='" + dir_.file("data") + "' XDG_CONFIG_HOME='" + dir_.file("config") + "' KELVO_COM1='" + dir_.file("com") + "' " + environment_ + " " + KELVOR_CLI_PATH + " " + arguments + " 2>" + errors;
        Outcome outcome;
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t n = 0; pipe != nullptr && (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
            outcome.output.append(buffer, n);
        const int status = pipe == nullptr ? -1 : ::pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    // Starts kelvor-cli in the background (its own process, not a shell's); output and errors to files.
    pid_t start(const std::string& arguments, const std::string& name)
    {
        const std::string command = "cd '" + startFolder_ + "' && TEMP='" + temp_ + "' XDG_CACHE_HOME='" + dir_.file("cache")
            + "' XDG_DATA_HOME='" + dir_.file("data") + "' XDG_CONFIG_HOME='" + dir_.file("config") + "' KELVO_COM1='" + dir_.file("com") + "' " + environment_ + " exec " + KELVOR_CLI_PATH + " " + arguments + " >" + dir_.file(name + ".out") + " 2>"
            + dir_.file(name + ".err");
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }

    // The front end's private folder inside TEMP, and a file in it.
    std::string working(const std::string& name = "") const
    {
        const std::string folder = kelvo::frontend::privateFolderIn(temp_);
        return name.empty() ? folder : folder + "/" + name;
    }
    std::string konfig() { return readFile(working("KONFIG.TXT")); }

    // Runs kelvor-cli with its errors on a pseudo-terminal; what the terminal showed goes into shown.
    Outcome cliOnTerminal(const std::string& arguments, std::string& shown)
    {
        const kelvo::test::PtyPair terminal;
        const int held = ::open(terminal.slavePath().c_str(), O_RDWR | O_NOCTTY);  // keeps the terminal up after the run
        EXPECT_GE(held, 0);
        std::atomic<bool> finished {false};
        std::thread reader([&] {
            while (!finished)
                shown += terminal.receive(4096, std::chrono::milliseconds(100));
            for (std::string more; !(more = terminal.receive(4096, std::chrono::milliseconds(100))).empty();)
                shown += more;
        });
        const Outcome outcome = cli(arguments, terminal.slavePath());
        finished = true;
        reader.join();
        if (held >= 0)
            ::close(held);
        return outcome;
    }
    std::string errors() { return readFile(dir_.file("stderr.txt")); }

    std::vector<std::string> workingFiles()
    {
        std::vector<std::string> names;
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(working(), missing))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The user's register list, kasy.txt in the configuration folder.
    std::string listFile() const { return dir_.file("config/kelvor/kasy.txt"); }

    // The batch's register lines, as a service company keeps them in its register list.
    void writeRegisterLines(const std::vector<int>& ports)
    {
        std::filesystem::create_directories(dir_.file("config/kelvor"));
        std::ofstream out(listFile(), std::ios::binary);
        out << "; kasy klientów\r\n\r\n";
        for (std::size_t i = 0; i < ports.size(); ++i)
            out << "$" << i + 1 << "\tCOM" << ports[i] << ":9600:MUX0:1\t5\tKELVO\r\n";
    }

    // A simulator on the pty comN with its own scenario and request log.
    std::unique_ptr<kelvo::test::SimulatorProcess> simulatorOn(int n, const std::vector<std::string>& options)
    {
        const std::string com = dir_.file("com" + std::to_string(n));
        environment_ += " KELVO_COM" + std::to_string(n) + "='" + com + "'";
        std::vector<std::string> all {"--pty", com, "--log", dir_.file("log" + std::to_string(n))};
        all.insert(all.end(), options.begin(), options.end());
        return std::make_unique<kelvo::test::SimulatorProcess>(KELVOSIM_PATH, all, dir_.file("sim" + std::to_string(n) + ".out"));
    }

    // The month scenario under another unique number.
    std::string monthScenarioNumbered(int n)
    {
        std::string text = readFile(std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json");
        text.replace(text.find("ABC12345678"), 11, "ABC1234567" + std::to_string(n));
        const std::string path = dir_.file("month" + std::to_string(n) + ".json");
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    kelvo::test::TempDir dir_;
    std::string temp_ = dir_.file("work");
    std::string environment_;  // further ports, for the batch
    std::string startFolder_ = dir_.path();
};

// The kernel's own guard against links in shared folders, switched off for a
// test so that what refuses a planted link is the program's own rule; put
// back at the end.
class KernelLinkGuardOff {
public:
    KernelLinkGuardOff()
    {
        before_ = readFile(kSetting);
        off_ = before_ == "0\n" || writeSetting("0");
    }
    ~KernelLinkGuardOff()
    {
        if (before_ != "0\n" && off_)
            writeSetting(before_);
    }
    KernelLinkGuardOff(const KernelLinkGuardOff&) = delete;
    KernelLinkGuardOff& operator=(const KernelLinkGuardOff&) = delete;
    bool off() const { return off_; }

private:
    static bool writeSetting(const std::string& value)
    {
        std::ofstream out(kSetting);
        out << value;
        out.flush();
        return static_cast<bool>(out) && readFile(kSetting) == value.substr(0, 1) + "\n";
    }
    static constexpr char kSetting[] = "/proc/sys/fs/protected_symlinks";
    std::string before_;
    bool off_ = false;
};

}

TEST_F(KelvorCliTest, PrintsTheReportAndLeavesOnlyTheConfiguration)
{
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());

    const Outcome monthly = cli("--port 1 --speed 9600 --mux 0 1 2012.01 --save kept.txt");
    EXPECT_EQ(monthly.status, 0) << readFile(dir_.file("stderr.txt"));
    const std::string golden = readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt");
    EXPECT_EQ(monthly.output, kelvo::frontend::utf8FromWindows1250(golden));
    EXPECT_EQ(readFile(dir_.file("kept.txt")), golden) << "the saved copy is the driver's file as written";
    EXPECT_EQ(workingFiles(), std::vector<std::string> {"KONFIG.TXT"});

    const Outcome settlement = cli("8");
    EXPECT_EQ(settlement.status, 73) << "the connection of the last run is used again";
    EXPECT_NE(readFile(dir_.file("stderr.txt")).find("BŁĄD NUMER 73: OPERACJA NIEMOŻLIWA"), std::string::npos);
    EXPECT_EQ(workingFiles(), std::vector<std::string> {"KONFIG.TXT"});
}

TEST_F(KelvorCliTest, KeptRecordsGiveTheSameReportAndTheirSwitchesWork)
{
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    const std::filesystem::path kept = dir_.file("cache") + "/kelvor";
    const auto keptCount = [&kept] {
        std::error_code missing;
        const std::filesystem::directory_iterator files(kept, missing);
        return std::distance(begin(files), end(files));
    };

    const Outcome unkept = cli("--port 1 --speed 9600 --mux 0 --no-cache 3 1 2");
    ASSERT_EQ(unkept.status, 0) << errors();
    EXPECT_EQ(keptCount(), 0) << "--no-cache keeps nothing";
    const Outcome cold = cli("3 1 2");
    const Outcome warm = cli("3 1 2");
    EXPECT_EQ(cold.status, 0);
    EXPECT_EQ(cold.output, unkept.output);
    EXPECT_EQ(warm.status, 0);
    EXPECT_EQ(warm.output, unkept.output);
    EXPECT_EQ(keptCount(), 1);

    EXPECT_EQ(cli("--forget-cache").status, 0) << errors();
    EXPECT_EQ(keptCount(), 0);
    EXPECT_EQ(workingFiles(), std::vector<std::string> {"KONFIG.TXT"});
}

TEST_F(KelvorCliTest, WithoutARegisterOrWithAWrongCommandLine)
{
    const Outcome noRegister = cli("--port 1 4");
    EXPECT_EQ(noRegister.status, KELVODRV_RESULT_PORT_NOT_OPENED);
    EXPECT_EQ(readFile(dir_.file("stderr.txt")), "BŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO\nCOM1 → "
            + dir_.file("com") + ": nie ma takiego pliku (urządzenie odłączone albo źle wskazane)\n");
    EXPECT_TRUE(workingFiles().empty()) << "a failed connection leaves no KONFIG.TXT where there was none";
}

TEST_F(KelvorCliTest, OnATerminalTheRecordsReadRiseAgainstTheMemoryWithTheTimeTaken)
{
    // A year of daily reports in a memory of 300 records, answered slowly
    // enough for the line to be redrawn several times.
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--generate", "1", "--records", "300", "--baud", "57600"}, dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    std::string shown;
    const Outcome report = cliOnTerminal("--port 1 3 1 2060", shown);
    ASSERT_EQ(report.status, 0) << shown;
    EXPECT_NE(report.output.find("RAPORT"), std::string::npos) << "the report itself goes to standard output";

    const std::regex line("\\rOdczytano rekordów: ([0-9]+) z ([0-9]+)  Czas odczytu: [0-9]+:[0-9][0-9]\\x1b\\[K");
    std::vector<int> counts;
    for (auto it = std::sregex_iterator(shown.begin(), shown.end(), line); it != std::sregex_iterator(); ++it) {
        EXPECT_EQ((*it)[2].str(), "300");
        counts.push_back(std::stoi((*it)[1].str()));
    }
    ASSERT_GE(counts.size(), 2u) << shown;
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << shown;
    EXPECT_LT(counts.front(), counts.back()) << shown;
    EXPECT_GT(counts.back(), 200) << "the last line shows the whole read";
    EXPECT_TRUE(shown.ends_with("\r\x1b[K")) << "the line is cleared at the end";
}

TEST_F(KelvorCliTest, UsageMistakesNameTheArgumentAndWhatIsAllowedInPolish)
{
    const struct {
        const char* arguments;
        const char* named;    // the argument the message names
        const char* allowed;  // what it says is allowed
    } cases[] = {
        {"", "brak rodzaju raportu", "1 RRRR.MM"},
        {"9", "„9”", "1 RRRR.MM"},
        {"--speed 1200 4", "--speed 1200", "9600, 19200, 28800, 57600"},
        {"--mux 2 4", "--mux 2", "0, 1, 4"},
        {"--port 0 4", "--port 0", "od 1 do 99"},
        {"--port", "--port: brak wartości", "--port N"},
        {"--speeed 9600 4", "„--speeed”", "--help"},
        {"1 2012", "„2012”", "RRRR.MM"},
        {"1 2012.13", "„2012.13”", "od 01 do 12"},
        {"1 0012.01", "„0012.01”", "rok od 2001 do 2100"},
        {"2 2012.01.01", "rodzaj 2", "RRRR.MM.DD RRRR.MM.DD"},
        {"2 2012.02.01 2012.02.30", "„2012.02.30”", "dzień istniejący w miesiącu"},
        {"3 1", "rodzaj 3", "od 1 do 2060"},
        {"--all --save x.txt 4", "--all", "nie łączy się z opcjami połączenia, --device, --save ani --trace"},
        {"7 1 3000", "„3000”", "od 1 do 2060"},
        {"4 extra", "„extra”", "rodzaje 4, 5 i 8 nie mają zakresu"},
        {"--tcp 10.0.0.1 4", "--tcp 10.0.0.1", "HOST:PORT"},
        {"--converter 4", "--converter", "--converter-id ID"},
        {"--converter --converter-id SHORT 4", "--converter-id SHORT", "dokładnie 8 znaków"},
        {"--converter --converter-id KELVO001 --channel 5 4", "--channel 5", "1 do 4"},
        {"--tcp 10.0.0.1:4001 --mux 1 4", "--mux", "--tcp"},
        {"--repeats 3 4", "--repeats", "--converter"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = cli(c.arguments);
        EXPECT_EQ(outcome.status, 2) << c.arguments;
        EXPECT_TRUE(outcome.output.empty()) << c.arguments;
        const std::string message = errors();
        EXPECT_TRUE(message.starts_with("kelvor-cli: ")) << message;
        EXPECT_NE(message.find(c.named), std::string::npos) << c.arguments << "\n" << message;
        EXPECT_NE(message.find(c.allowed), std::string::npos) << c.arguments << "\n" << message;
        EXPECT_EQ(message.find("usage"), std::string::npos) << message;
    }
    EXPECT_TRUE(workingFiles().empty()) << "a wrong command line touches nothing";

    const Outcome help = cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(errors().empty());
    for (const char* part : {"użycie: kelvor-cli", "9600, 19200, 28800, 57600", "--tcp HOST:PORT", "--converter-id ID",
             "--trace PLIK", "KELVO_TRACE", "lata od 2001 do 2100", "rozliczeniowy całości pamięci"})
        EXPECT_NE(help.output.find(part), std::string::npos) << part;
    const Outcome version = cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.output, std::regex("kelvor-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.output;
}

TEST_F(KelvorCliTest, AFailedConnectionPutsTheLastConfigurationBack)
{
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    ASSERT_EQ(cli("--port 1 --speed 9600 1 2012.01").status, 0) << errors();
    const std::string working = konfig();
    ASSERT_NE(working.find("COM1:9600:MUX0:1"), std::string::npos) << working;

    EXPECT_EQ(cli("--port 7 4").status, KELVODRV_RESULT_PORT_NOT_OPENED) << "COM7 leads nowhere";
    EXPECT_EQ(konfig(), working);
    EXPECT_NE(cli("--tcp 127.0.0.1:1 4").status, 0) << "nothing listens there";
    EXPECT_EQ(konfig(), working);
    EXPECT_EQ(workingFiles(), std::vector<std::string> {"KONFIG.TXT"});
    const Outcome again = cli("1 2012.01");
    EXPECT_EQ(again.status, 0) << "a plain run still reaches the register: " << errors();
}

TEST_F(KelvorCliTest, AFailedTcpLinkSaysWhereAndWhy)
{
    const std::string closed = "127.0.0.1:" + std::to_string(kelvo::test::closedLoopbackPort());
    EXPECT_NE(cli("--tcp " + closed + " 4").status, 0);
    EXPECT_NE(errors().find("\nTCP " + closed + ": połączenie odrzucone\n"), std::string::npos) << errors();

    const kelvo::test::SilentListener silent;
    const std::string unanswered = "127.0.0.1:" + std::to_string(silent.port());
    EXPECT_NE(cli("--tcp " + unanswered + " --timeout 1 4").status, 0);
    EXPECT_NE(errors().find("\nTCP " + unanswered + ": brak odpowiedzi w 1 s\n"), std::string::npos) << errors();

    kelvo::test::SimulatorProcess converter(KELVOSIM_PATH,
        {"--tcp", "127.0.0.1:0", "--converter", "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("conv.out"));
    ASSERT_TRUE(converter.listening());
    const std::string address = "127.0.0.1:" + std::to_string(converter.tcpPort());
    EXPECT_EQ(cli("--tcp " + address + " --timeout 1 4").status, KELVODRV_RESULT_SOCKET_TIMEOUT) << errors();
    EXPECT_NE(errors().find("TCP " + address + ": połączono, ale odpowiedź kasy nie przyszła w 1 s; jeśli po drugiej stronie jest "
                            "konwerter linii, to połączenie trzeba ustawić jako konwerter (kelvor-cli --converter --converter-id ID)"),
        std::string::npos)
        << errors();
}

TEST_F(KelvorCliTest, AProgramReadingThePortWithoutALockIsNamed)
{
    // The register's line is silent; cat holds it open as a technician's forgotten terminal would.
    const kelvo::test::PtyPair line;
    ASSERT_EQ(::symlink(line.slavePath().c_str(), dir_.file("com").c_str()), 0);
    const pid_t cat = ::fork();
    ASSERT_GE(cat, 0);
    if (cat == 0) {
        const int fd = ::open(line.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ::dup2(fd, STDIN_FILENO);
        ::execlp("cat", "cat", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int tries = 0; tries < 500 && readFile("/proc/" + std::to_string(cat) + "/comm") != "cat\n"; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const Outcome held = cli("--port 1 4");
    ::kill(cat, SIGKILL);
    ::waitpid(cat, nullptr, 0);
    EXPECT_EQ(held.status, KELVODRV_RESULT_RECEIVE_TIMEOUT) << errors();
    EXPECT_NE(errors().find("COM1 → " + dir_.file("com") + ": otwarty jednocześnie przez inny program (cat, PID " + std::to_string(cat)
                  + "), który przejmuje odpowiedzi kasy; zamknij go"),
        std::string::npos)
        << errors();
    EXPECT_EQ(errors().find("kasa nie odpowiada"), std::string::npos) << errors();
}

TEST_F(KelvorCliTest, TcpConverterLinksAndAHandWrittenLineIsKept)
{
    const std::string golden =
        kelvo::frontend::utf8FromWindows1250(readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt"));
    const std::string scenario = std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json";
    {
        kelvo::test::SimulatorProcess tcp(KELVOSIM_PATH, {"--tcp", "127.0.0.1:0", "--scenario", scenario}, dir_.file("tcp.out"));
        ASSERT_TRUE(tcp.listening());
        const std::string address = "127.0.0.1:" + std::to_string(tcp.tcpPort());
        const Outcome direct = cli("--tcp " + address + " --timeout 3 1 2012.01");
        EXPECT_EQ(direct.status, 0) << errors();
        EXPECT_EQ(direct.output, golden);
        EXPECT_NE(konfig().find("\tCOM1:9600:MUX6:0\t5\tKELVO\tTCP:0:" + address + ":KELVO:3:0"), std::string::npos) << konfig();

        // The line the options do not change is kept as written, also one written by hand.
        std::ofstream(working("KONFIG.TXT"), std::ios::binary)
            << "$1\tCOM3:19200:MUX6:0\t4\tMY REGISTER\tnet:7:" << address << ":anything:4:0\r\n";
        const Outcome kept = cli("1 2012.01");
        EXPECT_EQ(kept.status, 0) << errors();
        EXPECT_EQ(kept.output, golden);
        EXPECT_NE(konfig().find("\tCOM3:19200:MUX6:0\t5\tMY REGISTER\tnet:7:" + address + ":anything:4:0"), std::string::npos)
            << konfig();
    }
    {
        kelvo::test::SimulatorProcess converter(KELVOSIM_PATH, {"--tcp", "127.0.0.1:0", "--converter", "--scenario", scenario},
            dir_.file("conv-tcp.out"));
        ASSERT_TRUE(converter.listening());
        const std::string address = "127.0.0.1:" + std::to_string(converter.tcpPort());
        const Outcome framed = cli("--tcp " + address + " --converter --converter-id KELVO001 --repeats 2 1 2012.01");
        EXPECT_EQ(framed.status, 0) << errors();
        EXPECT_EQ(framed.output, golden);
        // The port and speed not given are those of the last line.
        EXPECT_NE(konfig().find("\tCOM3:19200:MUX5:1\t5\tKELVO\tTCP:0:" + address + ":KELVO001:5:2"), std::string::npos)
            << konfig();
    }
    {
        kelvo::test::SimulatorProcess converter(KELVOSIM_PATH, {"--pty", dir_.file("com"), "--converter", "--scenario", scenario},
            dir_.file("conv-pty.out"));
        ASSERT_TRUE(converter.listening());
        const Outcome serial = cli("--port 1 --converter --converter-id KELVO001 --channel 2 1 2012.01");
        EXPECT_EQ(serial.status, 0) << errors();
        EXPECT_EQ(serial.output, golden);
        EXPECT_NE(konfig().find("\tCOM1:19200:MUX7:2\t5\tKELVO\tKELVO001:5:3"), std::string::npos) << konfig();
    }
}

TEST_F(KelvorCliTest, ASaveThatCannotBeMadeFailsBeforeTheRegisterIsAsked)
{
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--log", dir_.file("requests.log"), "--scenario",
            std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    const Outcome missing = cli("--port 1 1 2012.01 --save no-such-folder/report.txt");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.output.empty()) << missing.output;
    EXPECT_EQ(errors(), "kelvor-cli: nie można zapisać raportu w pliku " + dir_.file("no-such-folder/report.txt") + ": folder "
            + dir_.file("no-such-folder") + ": nie ma takiego pliku ani folderu\n");
    const Outcome folder = cli("--port 1 1 2012.01 --save work");
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(errors().find(": to jest folder, nie plik"), std::string::npos) << errors();
    std::filesystem::create_directory(dir_.file("locked"));
    std::filesystem::permissions(dir_.file("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_EQ(cli("--port 1 1 2012.01 --save locked/report.txt").status, 1);
        EXPECT_NE(errors().find("folder " + dir_.file("locked") + ": brak"), std::string::npos) << errors();
    }
    EXPECT_EQ(readFile(dir_.file("requests.log")), "") << "the register was never asked";
    EXPECT_TRUE(workingFiles().empty()) << "nothing was begun in the working folder";

    // A folder that is there takes the copy after the read.
    const Outcome saved = cli("--port 1 1 2012.01 --save report.txt");
    EXPECT_EQ(saved.status, 0) << errors();
    EXPECT_EQ(readFile(dir_.file("report.txt")), readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt"));
}

TEST_F(KelvorCliTest, ShowFolderAloneNamesTheWorkingFolder)
{
    const Outcome shown = cli("--show-folder");
    EXPECT_EQ(shown.status, 0) << errors();
    EXPECT_EQ(shown.output, working() + "\n");
    EXPECT_TRUE(errors().empty()) << errors();
    EXPECT_EQ(cli("--all --show-folder").status, 2) << "a batch still needs its report kind";
}

TEST_F(KelvorCliTest, TheHelpFitsEightyColumnsAndTheLinkKindsTakeWords)
{
    const Outcome help = cli("--help");
    ASSERT_EQ(help.status, 0);
    std::istringstream lines(help.output);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(kelvo::frontend::utf8Characters(line), 80u) << line;
    EXPECT_NE(help.output.find("bezposrednio (kod 0), mux4 (kod 1,"), std::string::npos) << help.output;

    // mux4 is the four-channel multiplexer, bezposrednio the direct line: each takes what its code takes.
    EXPECT_EQ(cli("--mux mux4 --channel 5 4").status, 2);
    EXPECT_NE(errors().find("--channel 5: niepoprawny kanał; dozwolone: 1 do 4"), std::string::npos) << errors();
    EXPECT_EQ(cli("--mux bezposrednio --channel 2 4").status, 2);
    EXPECT_NE(errors().find("--mux 0 (połączenie bezpośrednie)"), std::string::npos) << errors();
    EXPECT_EQ(cli("--mux mux16 4").status, 2);
    EXPECT_NE(errors().find("dozwolone: bezposrednio, mux4, mux8 albo ich kody 0, 1, 4"), std::string::npos) << errors();
    EXPECT_EQ(cli("--port 1 --mux mux8 --channel 8 4").status, KELVODRV_RESULT_PORT_NOT_OPENED) << "channel 8 of the eight-channel one is tried: " << errors();
}

TEST_F(KelvorCliTest, StartedWithChildEndsIgnoredItStillSeesItsDriverEnd)
{
    // Some launchers leave SIGCHLD ignored; the run must still end. The
    // program is started without a shell between, which might reset it.
    const std::string out = dir_.file("run.out"), err = dir_.file("run.err");
    const pid_t run = ::fork();
    if (run == 0) {
        ::chdir(dir_.path().c_str());
        ::setenv("TEMP", temp_.c_str(), 1);
        ::setenv("KELVO_COM1", dir_.file("none").c_str(), 1);
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        std::signal(SIGCHLD, SIG_IGN);
        ::execl(KELVOR_CLI_PATH, "kelvor-cli", "--port", "1", "1", "2012.01", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; waited < 1200 && (ended = ::waitpid(run, &status, WNOHANG)) == 0; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (ended == 0) {
        ::kill(run, SIGKILL);
        ::waitpid(run, &status, 0);
        FAIL() << "the run did not end within a minute: " << readFile(dir_.file("run.err"));
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), KELVODRV_RESULT_PORT_NOT_OPENED);
    EXPECT_NE(readFile(dir_.file("run.err")).find("BŁĄD NUMER 62"), std::string::npos) << readFile(dir_.file("run.err"));
}

TEST_F(KelvorCliTest, ASecondRunSaysWhoIsBusyAndSignalsEndTheRunCleanly)
{
    // A settlement of 600 records at 9600 bit/s takes long enough to be interrupted.
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--generate", "2", "--records", "600", "--baud", "9600", "--log", dir_.file("log")},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    ASSERT_EQ(cli("--port 1 3 1 2").status, 0) << errors();
    const std::string working = konfig();

    for (const int signal : {SIGINT, SIGTERM}) {
        const std::size_t readBefore = kelvo::test::logLines(dir_.file("log"), "cmd=154").size();
        // Without kept records, so that every record crosses the slow line.
        const pid_t first = start("--no-cache 3 1 2060", "first");
        int status = 0;
        while (kelvo::test::logLines(dir_.file("log"), "cmd=154").size() < readBefore + 20) {
            ASSERT_EQ(::waitpid(first, &status, WNOHANG), 0)
                << "the first run ended before it read 20 records: " << readFile(dir_.file("first.err"));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }

        const Outcome second = cli("4");
        EXPECT_EQ(second.status, 1);
        EXPECT_NE(errors().find("jest zajęty: trwa w nim inny odczyt (kelvor-cli, PID " + std::to_string(first) + ")"),
            std::string::npos)
            << errors();

        ::kill(first, signal);
        ASSERT_EQ(::waitpid(first, &status, 0), first);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_NE(readFile(dir_.file("first.err")).find("kelvor-cli: przerwano (" + std::string(signal == SIGINT ? "SIGINT" : "SIGTERM")
                      + "); port zwolniony, folder roboczy uprzątnięty"),
            std::string::npos)
            << readFile(dir_.file("first.err"));
        EXPECT_EQ(workingFiles(), std::vector<std::string> {"KONFIG.TXT"}) << "no parameter file, no empty report";
        EXPECT_EQ(konfig(), working);
        // The port is free again: the next run reaches the register.
        EXPECT_EQ(cli("3 1 2").status, 0) << errors();
    }
}

TEST_F(KelvorCliTest, ATraceOfAMonthlyReportDecodesToTheRequestsTheRegisterServed)
{
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json", "--log",
            dir_.file("log")},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    const Outcome monthly = cli("--port 1 --speed 9600 --trace trace.txt 1 2012.01");
    ASSERT_EQ(monthly.status, 0) << errors();

    const std::string trace = readFile(dir_.file("trace.txt"));
    const std::regex burst("[0-9]+\\.[0-9]{3} (TX|RX) req=[0-9]+ cmd=[0-9]+ ([0-9A-F]{2} )+\\|[ -~]+\\|");
    std::istringstream lines(trace);
    std::size_t bursts = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("#"))
            continue;
        EXPECT_TRUE(std::regex_match(line, burst)) << line;
        ++bursts;
    }
    EXPECT_GT(bursts, 20u);

    FILE* pipe = ::popen((std::string(KELVOTRACE_PATH) + " '" + dir_.file("trace.txt") + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string decoded;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
        decoded.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0);

    // The command code and request data of every request, in order, from both ends of the line.
    const std::regex request("cmd=([0-9]+)[^\n]*? data=\\[([0-9A-F ]*)\\]");
    const auto requests = [&request](const std::string& text) {
        std::vector<std::string> found;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), request); it != std::sregex_iterator(); ++it)
            found.push_back((*it)[1].str() + " [" + (*it)[2].str() + "]");
        return found;
    };
    const auto served = requests(readFile(dir_.file("log")));
    ASSERT_GT(served.size(), 10u);
    EXPECT_EQ(requests(decoded), served) << decoded;
    EXPECT_TRUE(std::regex_search(decoded,
        std::regex("ONrKasy cmd=29 \\(blok informacyjny\\) data=\\[03 00\\] status=ACK odpowiedź=\\[06 [0-9A-F .]+\\] \\(132 B\\)")))
        << decoded;
    EXPECT_TRUE(std::regex_search(decoded,
        std::regex("X000028X cmd=154 \\(rekord pamięci fiskalnej\\) data=\\[[0-9A-F]{2} [0-9A-F]{2}\\] rekord=[0-9]+ status=ACK")))
        << decoded;
    EXPECT_NE(decoded.find("--- ONrKasy config=1\tCOM1:9600:MUX0:1"), std::string::npos) << decoded;
}

TEST_F(KelvorCliTest, TheReadmeExampleOfATcpLineReachesTheRegister)
{
    // The README's KONFIG.TXT line for a network serial server, run as it stands but for the simulator's port.
    const std::string readme = readFile(KELVO_README);
    std::smatch found;
    ASSERT_TRUE(std::regex_search(readme, found, std::regex("\\$ (printf '\\$1\\\\tCOM1:9600:MUX6:0[^\n]*> KONFIG.TXT)")))
        << "README shows the TCP line";
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--tcp", "127.0.0.1:0", "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"}, dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    const std::string line = std::regex_replace(found[1].str(), std::regex(":4001:"), ":" + std::to_string(simulator.tcpPort()) + ":");
    const std::string script = "cd '" + dir_.path() + "' && " + line
        + " && printf '#1\\r\\n#\\r\\n#\\r\\n$NONE\\t0\\r\\n' > in1 && " + KELVODRV_PATH + " ONrKasy in1 out > result.txt";
    EXPECT_EQ(std::system(script.c_str()), 0) << readFile(dir_.file("result.txt"));
    EXPECT_EQ(readFile(dir_.file("result.txt")), "0\n");
    EXPECT_NE(readFile(dir_.file("out")).find("Orvan"), std::string::npos) << readFile(dir_.file("out"));
}

TEST_F(KelvorCliTest, TheReadmesInputLinesOfTheReportKindsAreTakenByTheDriver)
{
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"}, dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    const std::string readme = readFile(KELVO_README);
    kelvo::test::writeFile(dir_.file("KONFIG.TXT"), "$1\tCOM1:9600:MUX0:1\t5\tKELVO\r\n");
    const auto run = [this](const std::string& command) {
        const std::string script = "cd '" + dir_.path() + "' && export KELVO_COM1='" + dir_.file("com") + "' && " + command + " > result.txt";
        EXPECT_NE(std::system(script.c_str()), -1);
        return readFile(dir_.file("result.txt"));
    };

    // Each kind's line of the table, with <TAB> as the TAB it stands for.
    const std::regex row("\n\\| ([1-8]) \\| [^|]+ \\| `(\\$[^`]*)` \\|");
    int kinds = 0;
    for (auto it = std::sregex_iterator(readme.begin(), readme.end(), row); it != std::sregex_iterator(); ++it, ++kinds) {
        const std::string line = std::regex_replace((*it)[2].str(), std::regex("<TAB>"), "\t");
        EXPECT_EQ(line.substr(1, 1), (*it)[1].str());
        kelvo::test::writeFile(dir_.file("in"), "#1\r\n#\r\n#\r\n" + line + "\r\n");
        const std::string result = run(std::string(KELVODRV_PATH) + " X000028X in out.txt");
        // The month's register has January 2012 and is read-write: the settlement kinds end with 73.
        const int code = std::atoi(result.c_str());
        EXPECT_NE(code, 10) << line << ": " << result;
        EXPECT_NE(code, 11) << line << ": " << result;
        if ((*it)[1].str() <= "3") {
            EXPECT_EQ(code, 0) << line << ": " << result;
        }
        if ((*it)[1].str() >= "6") {
            EXPECT_EQ(code, 73) << line << ": " << result;
        }
    }
    EXPECT_EQ(kinds, 8) << "one line for each kind";

    // The example as README shows it.
    std::smatch example;
    ASSERT_TRUE(std::regex_search(readme, example, std::regex("\\$ (printf '#1[^\n]*> in)\n +\\$ (kelvodrv X000028X in okresowy.txt)\n")));
    EXPECT_EQ(run(example[1].str() + " && " + KELVODRV_PATH + example[2].str().substr(8)), "0\n");
    EXPECT_EQ(readFile(dir_.file("okresowy.txt")), readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt"));
}

TEST_F(KelvorCliTest, LinksPlantedInASharedTemporaryFolderAreNeverWrittenThrough)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "needs root, to plant links as the user 'nobody'";
    temp_ = kelvo::test::sharedFolderIn(dir_.path(), "tmp");
    const std::string victim = dir_.file("victim");
    kelvo::test::writeFile(victim, "keep me");
    // Where the front end once worked: the shared folder itself.
    std::string plant;
    for (const char* name : {"RAPORT.TXT", "IN1", "IN", "KONFIG.TXT", "OUT"})
        plant += "ln -s " + victim + " " + temp_ + "/" + name + " && ";
    ASSERT_TRUE(kelvo::test::runAsNobody(plant + "true"));
    EXPECT_EQ(cli("--port 1 4").status, KELVODRV_RESULT_PORT_NOT_OPENED);
    EXPECT_EQ(readFile(victim), "keep me");
    EXPECT_TRUE(std::filesystem::is_directory(working())) << "the run used its private folder";

    // The private folder's name taken beforehand by another user.
    std::filesystem::remove_all(working());
    ASSERT_TRUE(kelvo::test::runAsNobody("mkdir -m 777 " + working() + " && ln -s " + victim + " " + working("RAPORT.TXT")));
    EXPECT_EQ(cli("--port 1 4").status, 1);
    EXPECT_EQ(errors(), "kelvor-cli: nie można użyć folderu roboczego " + working() + ": należy do innego użytkownika\n");
    EXPECT_EQ(readFile(victim), "keep me");
}

TEST_F(KelvorCliTest, ADeviceIsMappedForTheRunAndTheMapIsPutBackWhenItFails)
{
    const kelvo::test::ScopedEnv config("XDG_CONFIG_HOME", dir_.file("config"));
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("adapter"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    const std::string map = dir_.file("config/kelvor/ports.conf");
    ASSERT_EQ(cli("--port 1 --device '" + dir_.file("adapter") + "' 1 2012.01").status, 0) << errors();
    EXPECT_EQ(readFile(map), "COM1=" + dir_.file("adapter") + "\n") << "the device counts over KELVO_COM1";

    EXPECT_EQ(cli("--port 3 --device '" + dir_.file("none") + "' 4").status, KELVODRV_RESULT_PORT_NOT_OPENED);
    EXPECT_EQ(readFile(map), "COM1=" + dir_.file("adapter") + "\n") << "the failed run's line is taken back";
    EXPECT_NE(errors().find("COM3 → " + dir_.file("none") + ": nie ma takiego pliku"), std::string::npos) << errors();
}

TEST_F(KelvorCliTest, ListPortsShowsTheDevicesWithTheirComPorts)
{
    const kelvo::test::ScopedEnv config("XDG_CONFIG_HOME", dir_.file("config"));
    const kelvo::test::ScopedEnv root("KELVO_DEVICE_ROOT", dir_.file("root"));
    std::filesystem::create_directories(dir_.file("root/dev/serial/by-id"));
    std::filesystem::create_directories(dir_.file("config/kelvor"));
    kelvo::test::writeFile(dir_.file("root/dev/ttyUSB0"), "");
    std::filesystem::create_symlink("../../ttyUSB0", dir_.file("root/dev/serial/by-id/usb-adapter-port0"));
    kelvo::test::writeFile(dir_.file("config/kelvor/ports.conf"), "COM4=" + dir_.file("root/dev/serial/by-id/usb-adapter-port0\n"));
    const Outcome listed = cli("--list-ports");
    EXPECT_EQ(listed.status, 0);
    const std::string byId = dir_.file("root/dev/serial/by-id/usb-adapter-port0");
    const std::string device = dir_.file("root/dev/ttyUSB0");
    EXPECT_NE(listed.output.find("PORT   URZĄDZENIE"), std::string::npos) << listed.output;
    EXPECT_TRUE(std::regex_search(listed.output, std::regex("\nCOM4 +" + byId + " +" + device + " +adapter USB\n")))
        << listed.output;
    EXPECT_TRUE(std::regex_search(listed.output, std::regex("\nCOM4 +" + device + " +" + device + " +adapter USB\n")))
        << "the device the map's link leads to: " << listed.output;
}

TEST_F(KelvorCliTest, DetectFindsTheRegisterSoThatAPlainRunReadsThroughIt)
{
    const kelvo::test::ScopedEnv config("XDG_CONFIG_HOME", dir_.file("config"));
    const kelvo::test::ScopedEnv root("KELVO_DEVICE_ROOT", dir_.file("root"));
    std::filesystem::create_directories(dir_.file("root/dev"));
    kelvo::test::writeFile(dir_.file("root/dev/ttyUSB0"), "");
    const std::string map = dir_.file("config/kelvor/ports.conf");

    const Outcome nothing = cli("--port 3 --detect");
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(errors().find("pominięto " + dir_.file("root/dev/ttyUSB0") + ": to zwykły plik, nie port szeregowy"),
        std::string::npos) << errors();
    EXPECT_NE(errors().find("kelvor-cli: nie znaleziono kasy: żadnego urządzenia szeregowego nie dało się sprawdzić"), std::string::npos)
        << errors();
    EXPECT_FALSE(std::filesystem::exists(map)) << "nothing found, nothing mapped";
    EXPECT_FALSE(std::filesystem::exists(working("KONFIG.TXT")));

    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("adapter"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json",
            "--line-speed", "19200"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    std::filesystem::create_symlink(dir_.file("adapter"), dir_.file("root/dev/ttyUSB1"));
    const Outcome found = cli("--port 3 --detect");
    ASSERT_EQ(found.status, 0) << errors();
    EXPECT_EQ(found.output, "znaleziono kasę: COM3 → " + dir_.file("root/dev/ttyUSB1") + ", 19200 b/s, numer kasy 1\n");
    for (const std::string speed : {"57600", "28800", "19200"})
        EXPECT_NE(errors().find("szukam kasy: " + dir_.file("root/dev/ttyUSB1") + ", " + speed + " b/s"), std::string::npos)
            << errors();
    EXPECT_EQ(readFile(map), "COM3=" + dir_.file("root/dev/ttyUSB1") + "\n");

    // The next run takes the line and the map the search left.
    const Outcome report = cli("1 2012.01");
    ASSERT_EQ(report.status, 0) << errors();
    EXPECT_EQ(report.output,
        kelvo::frontend::utf8FromWindows1250(readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt")));
    EXPECT_NE(konfig().find("COM3:19200:MUX0:1"), std::string::npos) << konfig();

    EXPECT_EQ(cli("--detect --speed 9600 4").status, 2);
    EXPECT_NE(errors().find("--detect sam wybiera urządzenie i szybkość"), std::string::npos) << errors();
}

TEST_F(KelvorCliTest, DetectAndListPortsSearchTheDevicesThePortsAreMappedTo)
{
    // No serial device on the machine: only COM1's silent pseudo-terminal (by KELVO_COM1) and COM6's
    // with the register (by the port map).
    const kelvo::test::ScopedEnv config("XDG_CONFIG_HOME", dir_.file("config"));
    const kelvo::test::ScopedEnv root("KELVO_DEVICE_ROOT", dir_.file("root"));
    std::filesystem::create_directories(dir_.file("root/dev"));
    std::filesystem::create_directories(dir_.file("config/kelvor"));
    const kelvo::test::PtyPair silent;
    ASSERT_EQ(::symlink(silent.slavePath().c_str(), dir_.file("com").c_str()), 0);
    kelvo::test::writeFile(dir_.file("config/kelvor/ports.conf"), "COM6=" + dir_.file("adapter") + "\n");
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("adapter"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json", "--line-speed", "28800"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());

    const Outcome listed = cli("--list-ports");
    EXPECT_EQ(listed.status, 0);
    const std::string pty = std::filesystem::canonical(dir_.file("adapter")).string();
    EXPECT_TRUE(std::regex_search(listed.output,
        std::regex("\nCOM1 +" + dir_.file("com") + " +" + silent.slavePath() + " +urządzenie portu COM1\n")))
        << listed.output;
    EXPECT_TRUE(std::regex_search(listed.output, std::regex("\nCOM6 +" + dir_.file("adapter") + " +" + pty + " +urządzenie portu COM6\n")))
        << listed.output;

    const Outcome found = cli("--port 3 --detect");
    ASSERT_EQ(found.status, 0) << errors();
    EXPECT_EQ(found.output, "znaleziono kasę: COM6 → " + dir_.file("adapter") + ", 28800 b/s, numer kasy 1\n")
        << "the port that already led there is kept";
    EXPECT_NE(errors().find("szukam kasy: " + dir_.file("com") + ", 57600 b/s"), std::string::npos) << errors();
}

TEST_F(KelvorCliTest, ABatchSavesEachRegistersReportAndNamesTheOneThatFailed)
{
    // Lines 1 and 2 reach two registers, line 3 none; COM4 is the device of COM1, so register line 4
    // reaches the register of line 1 again.
    const auto first = simulatorOn(1, {"--scenario", monthScenarioNumbered(1), "--baud", "9600"});
    const auto second = simulatorOn(2, {"--scenario", monthScenarioNumbered(2), "--baud", "9600"});
    environment_ += " KELVO_COM3='" + dir_.file("nothing") + "' KELVO_COM4='" + dir_.file("com1") + "'";
    ASSERT_TRUE(first->listening());
    ASSERT_TRUE(second->listening());
    writeRegisterLines({1, 2, 3, 4});
    const std::string lines = readFile(listFile());

    // Without kept records, so that the register reached twice serves two whole reads.
    const Outcome batch = cli("--all --no-cache 1 2012.01");
    EXPECT_EQ(batch.status, 1) << errors();
    const std::string golden = readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt");
    for (const std::string n : {"1", "2"}) {
        std::string expected = golden;  // the register's own unique number in its closing lines
        expected.replace(expected.find("ABC 12345678"), 12, "ABC 1234567" + n);
        EXPECT_EQ(readFile(dir_.file("ABC 1234567" + n + "/ABC 1234567" + n + "_SZCZ201201.txt")), expected);
    }
    // A register's row, and the lines below it that go on with its message in the message's column.
    std::istringstream table(batch.output);
    std::vector<std::string> row;
    std::vector<std::string> more;
    const std::string messageColumn(37, ' ');
    for (std::string line; std::getline(table, line);) {
        if (!line.starts_with(" ")) {
            row.push_back(line);
            more.emplace_back();
            continue;
        }
        ASSERT_FALSE(row.empty()) << batch.output;
        EXPECT_TRUE(line.starts_with(messageColumn) && line[messageColumn.size()] != ' ') << line;
        more.back() += " " + line.substr(messageColumn.size());
    }
    ASSERT_EQ(row.size(), 5u) << batch.output;
    EXPECT_TRUE(row[0].starts_with("KASA")) << row[0];
    for (const std::string& each : row)
        EXPECT_EQ(kelvo::frontend::utf8Characters(each), kelvo::frontend::utf8Characters(row[0])) << "columns kept:\n" << batch.output;
    EXPECT_EQ(batch.output.find("kelvor-cli:"), std::string::npos) << batch.output;
    EXPECT_EQ(more[3], " COM3 → " + dir_.file("nothing") + ": nie ma takiego pliku (urządzenie odłączone albo źle wskazane)")
        << "the port's line of the failure, wrapped in its column:\n" << batch.output;
    const std::string lineCount = std::to_string(std::count(golden.begin(), golden.end(), '\n'));
    EXPECT_TRUE(std::regex_search(row[1], std::regex("^1 +COM1 +0  raport w pliku ABC 12345671/ABC 12345671_SZCZ201201\\.txt +" + lineCount + " ")))
        << row[1];
    EXPECT_TRUE(std::regex_search(row[2], std::regex("^2 +COM2 +0  raport w pliku ABC 12345672/ABC 12345672_SZCZ201201\\.txt +" + lineCount + " ")))
        << row[2];
    EXPECT_TRUE(std::regex_search(row[3], std::regex("^3 +COM3 +62  BŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO +- ")))
        << row[3];
    // Read after line 1's register was done with, whole: a report at once on the same device would garble both.
    EXPECT_TRUE(row[4].starts_with("4     COM4")) << row[4];
    EXPECT_NE((row[4] + more[4]).find("zapisała już inna kasa"), std::string::npos) << row[4] << more[4];
    EXPECT_EQ(kelvo::test::logLines(dir_.file("log1"), "cmd=").size(), 2 * kelvo::test::logLines(dir_.file("log2"), "cmd=").size())
        << "line 1 served the requests of two whole runs";
    EXPECT_TRUE(workingFiles().empty()) << "every register's own folder is gone";
    EXPECT_EQ(readFile(listFile()), lines) << "the register lines stay as written";
    EXPECT_NE(errors().find("kasa 3 (COM3): BŁĄD: BŁĄD NUMER 62"), std::string::npos) << "a plain line at each end: " << errors();
}

TEST_F(KelvorCliTest, SignalsEndABatchWithEveryPortFreeAndEveryFolderSwept)
{
    // Settlements of 600 records at 9600 bit/s take long enough to be interrupted.
    const auto first = simulatorOn(1, {"--generate", "2", "--records", "600", "--baud", "9600"});
    const auto second = simulatorOn(2, {"--generate", "2", "--records", "600", "--baud", "9600"});
    ASSERT_TRUE(first->listening());
    ASSERT_TRUE(second->listening());
    writeRegisterLines({1, 2});
    const std::string lines = readFile(listFile());

    for (const int signal : {SIGINT, SIGTERM}) {
        const std::size_t before1 = kelvo::test::logLines(dir_.file("log1"), "cmd=154").size();
        const std::size_t before2 = kelvo::test::logLines(dir_.file("log2"), "cmd=154").size();
        const pid_t batch = start("--all 3 1 2060", "batch");
        int status = 0;
        while (kelvo::test::logLines(dir_.file("log1"), "cmd=154").size() < before1 + 20
            || kelvo::test::logLines(dir_.file("log2"), "cmd=154").size() < before2 + 20) {
            ASSERT_EQ(::waitpid(batch, &status, WNOHANG), 0) << readFile(dir_.file("batch.err"));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(batch, signal);
        ASSERT_EQ(::waitpid(batch, &status, 0), batch);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_NE(readFile(dir_.file("batch.err")).find("porty zwolnione, foldery robocze uprzątnięte"), std::string::npos)
            << readFile(dir_.file("batch.err"));
        EXPECT_EQ(readFile(dir_.file("batch.out")), "") << "no table for a batch that did not end";
        EXPECT_TRUE(workingFiles().empty());
        EXPECT_EQ(readFile(listFile()), lines);
    }
    // Both ports are free again.
    EXPECT_EQ(cli("--port 1 3 1 2").status, 0) << errors();
    EXPECT_EQ(cli("--port 2 3 1 2").status, 0) << errors();
}

TEST_F(KelvorCliTest, OnATerminalABatchRedrawsOneLinePerRegister)
{
    const auto first = simulatorOn(1, {"--generate", "1", "--records", "300", "--baud", "57600"});
    const auto second = simulatorOn(2, {"--generate", "1", "--records", "300", "--baud", "57600"});
    ASSERT_TRUE(first->listening());
    ASSERT_TRUE(second->listening());
    writeRegisterLines({1, 2});
    std::string shown;
    const Outcome batch = cliOnTerminal("--all 3 1 2060", shown);
    // Both registers share one unique number: the second report is refused, the first is kept.
    EXPECT_EQ(batch.status, 1) << shown;

    const std::regex redrawn("\\x1b\\[2A\\rkasa 1 \\(COM1\\): ([^\\x1b]*)\\x1b\\[K\\r?\\n\\rkasa 2 \\(COM2\\): ([^\\x1b]*)\\x1b\\[K\\r?\\n");
    std::vector<std::string> states;
    for (auto it = std::sregex_iterator(shown.begin(), shown.end(), redrawn); it != std::sregex_iterator(); ++it)
        states.push_back((*it)[1].str() + " | " + (*it)[2].str());
    ASSERT_GE(states.size(), 3u) << shown;
    EXPECT_NE(shown.find("Odczytano rekordów: "), std::string::npos) << "the records read, as for one register";
    EXPECT_TRUE(std::any_of(states.begin(), states.end(), [](const std::string& s) { return s.find(" z 300  Czas odczytu: ") != std::string::npos; }))
        << shown;
    EXPECT_NE(states.back().find("gotowe, "), std::string::npos) << states.back();
    EXPECT_NE(states.back().find("BŁĄD: plik "), std::string::npos) << "no program name inside the table: " << states.back();
}

TEST_F(KelvorCliTest, ASaveOnAFullDiskKeepsTheOldReportAndSaysWhy)
{
    const kelvo::test::SmallDisk disk(dir_.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "needs root, to mount a small tmpfs";
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    // The report is longer than one page of the disk: the old file's page alone cannot hold it.
    const std::string old = "the report saved last month\r\n";
    const std::string saved = dir_.file("disk/report.txt");
    kelvo::test::writeFile(saved, old);
    disk.fill();

    const Outcome full = cli("--port 1 1 2012.01 --save disk/report.txt");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.output.find("RAPORT"), std::string::npos) << "the report is still shown";
    EXPECT_EQ(errors(), "kelvor-cli: nie można zapisać raportu w pliku " + saved + ": brak miejsca na dysku\n");
    EXPECT_EQ(readFile(saved), old) << "byte for byte";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.file("disk")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> {"filler", "report.txt"})) << "no temporary file left";
}

TEST_F(KelvorCliTest, SavesTracesAndBatchReportsNeverGoThroughAnotherUsersLink)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "needs root, to plant links as the user 'nobody'";
    const KernelLinkGuardOff guard;
    if (!guard.off())
        GTEST_SKIP() << "cannot set fs.protected_symlinks to 0, so the kernel would refuse the links itself";
    const auto first = simulatorOn(1, {"--scenario", monthScenarioNumbered(1)});
    ASSERT_TRUE(first->listening());
    const std::string shared = kelvo::test::sharedFolderIn(dir_.path(), "shared");
    const std::string victim = dir_.file("victim");
    kelvo::test::writeFile(victim, "root's own file");
    ::chmod(victim.c_str(), 0600);
    std::string plant;
    for (const char* name : {"report.txt", "trace.log"})
        plant += "ln -s " + victim + " \"" + shared + "/" + name + "\" && ";
    // The register's output folder, planted as a link to a folder of root's.
    const std::string victimFolder = dir_.file("victim-folder");
    std::filesystem::create_directory(victimFolder);
    plant += "ln -s " + victimFolder + " \"" + shared + "/ABC 12345671\" && ";
    ASSERT_TRUE(kelvo::test::runAsNobody(plant + "true"));
    const std::string refused = "dowiązanie symboliczne, którego nie wolno użyć";

    const Outcome save = cli("--port 1 1 2012.01 --save " + shared + "/report.txt");
    EXPECT_EQ(save.status, 1);
    EXPECT_NE(errors().find(refused), std::string::npos) << errors();
    EXPECT_EQ(readFile(victim), "root's own file");

    const Outcome trace = cli("--port 1 1 2012.01 --trace " + shared + "/trace.log");
    EXPECT_EQ(trace.status, 1);
    EXPECT_NE(errors().find("nie można otworzyć pliku śladu " + shared + "/trace.log: " + refused), std::string::npos) << errors();
    EXPECT_EQ(readFile(victim), "root's own file");

    // The batch saves its outputs in the folder it was started from.
    writeRegisterLines({1});
    startFolder_ = shared;
    const Outcome batch = cli("--all 1 2012.01");
    EXPECT_EQ(batch.status, 1);
    // The table wraps the message within its column, the lines' and seconds' columns after its first line.
    const std::string message = std::regex_replace(batch.output, std::regex("\\s+"), " ");
    EXPECT_NE(message.find("nie można użyć folderu " + shared + "/ABC"), std::string::npos) << batch.output;
    EXPECT_NE(message.find("12345671: dowiązanie symboliczne, którego nie wolno użyć"), std::string::npos) << batch.output;
    EXPECT_EQ(readFile(victim), "root's own file");
    EXPECT_TRUE(std::filesystem::is_empty(victimFolder)) << "nothing written through the planted folder";
}

TEST_F(KelvorCliTest, ABatchWithARegisterKilledFromOutsideNamesItAndKeepsTheOthersReports)
{
    // The second register answers at 9600 bit/s: its child is killed as soon as it has asked for something.
    const auto first = simulatorOn(1, {"--scenario", monthScenarioNumbered(1)});
    const auto second = simulatorOn(2, {"--scenario", monthScenarioNumbered(2), "--baud", "9600"});
    ASSERT_TRUE(first->listening());
    ASSERT_TRUE(second->listening());
    writeRegisterLines({1, 2});
    const pid_t batch = start("--all --no-cache --output wyniki 1 2012.01", "batch");
    // The second register's child: the batch's child whose folder is kasa-2.
    pid_t victim = 0;
    int status = 0;
    while (victim == 0) {
        ASSERT_EQ(::waitpid(batch, &status, WNOHANG), 0) << "the batch ended first: " << readFile(dir_.file("batch.err"));
        std::istringstream children(readFile("/proc/" + std::to_string(batch) + "/task/" + std::to_string(batch) + "/children"));
        for (pid_t child; children >> child;) {
            std::error_code gone;
            if (std::filesystem::read_symlink("/proc/" + std::to_string(child) + "/cwd", gone).filename() == "kasa-2"
                && !kelvo::test::logLines(dir_.file("log2"), "cmd=").empty())
                victim = child;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(victim, SIGKILL);
    ASSERT_EQ(::waitpid(batch, &status, 0), batch);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "a failed register, not an interrupt: " << readFile(dir_.file("batch.err"));
    EXPECT_EQ(readFile(dir_.file("batch.err")).find("przerwano"), std::string::npos) << readFile(dir_.file("batch.err"));
    const std::string table = readFile(dir_.file("batch.out"));
    EXPECT_TRUE(std::regex_search(table, std::regex("\n1 +COM1 +0  raport w pliku ABC 12345671/ABC 12345671_SZCZ201201\\.txt "))) << table;
    // The message wraps within its column.
    EXPECT_TRUE(std::regex_search(table, std::regex("\n2 +COM2 +137  proces odczytu zakończył się sygnałem SIGKILL"))) << table;
    EXPECT_NE(table.find("przerwaniem użytkownika"), std::string::npos) << table;
    EXPECT_TRUE(kelvo::test::fileExists(dir_.file("wyniki/ABC 12345671/ABC 12345671_SZCZ201201.txt"))) << "the other report stays";
    EXPECT_FALSE(kelvo::test::fileExists(dir_.file("wyniki/ABC 12345672/ABC 12345672_SZCZ201201.txt")));
    EXPECT_TRUE(workingFiles().empty());
    // The killed register's port is free again: the driver's keep-open switch held nothing past its process.
    EXPECT_EQ(cli("--port 2 --no-cache 1 2012.01").status, 0) << errors();
    // zestawienie.csv names the killed register with its code.
    EXPECT_TRUE(std::regex_search(readFile(dir_.file("wyniki/zestawienie.csv")), std::regex("\r\n2;;137;proces odczytu zakończył się sygnałem SIGKILL")))
        << readFile(dir_.file("wyniki/zestawienie.csv"));
}

TEST_F(KelvorCliTest, APlainRunBetweenTwoBatchesLeavesTheRegisterListAlone)
{
    const auto first = simulatorOn(1, {"--scenario", monthScenarioNumbered(1)});
    const auto second = simulatorOn(2, {"--scenario", monthScenarioNumbered(2)});
    ASSERT_TRUE(first->listening());
    ASSERT_TRUE(second->listening());
    writeRegisterLines({1, 2});
    const std::string lines = readFile(listFile());

    ASSERT_EQ(cli("--all 1 2012.01").status, 0) << errors();
    // A plain run of one register rewrites the working folder's KONFIG.TXT to its own line...
    ASSERT_EQ(cli("--port 2 1 2012.01").status, 0) << errors();
    const std::string single = konfig();
    EXPECT_EQ(std::count(single.begin(), single.end(), '$'), 1) << single;
    // ...and the next batch still reads both registers of the list.
    const Outcome again = cli("--all --output drugi 1 2012.01");
    EXPECT_EQ(again.status, 0) << errors() << again.output;
    EXPECT_TRUE(kelvo::test::fileExists(dir_.file("drugi/ABC 12345671/ABC 12345671_SZCZ201201.txt"))) << again.output;
    EXPECT_TRUE(kelvo::test::fileExists(dir_.file("drugi/ABC 12345672/ABC 12345672_SZCZ201201.txt"))) << again.output;
    EXPECT_EQ(readFile(listFile()), lines);

    // Another list, named for one run.
    kelvo::test::writeFile(dir_.file("inna.txt"), "# tylko druga\n$7\tCOM2:9600:MUX0:1\t5\tKELVO\n");
    const Outcome other = cli("--all --registers inna.txt --output inna 1 2012.01");
    EXPECT_EQ(other.status, 0) << errors();
    EXPECT_TRUE(std::regex_search(other.output, std::regex("\n7 +COM2 +0  raport w pliku ABC 12345672/"))) << other.output;
    EXPECT_FALSE(kelvo::test::fileExists(dir_.file("inna/ABC 12345671")));
}

TEST_F(KelvorCliTest, AMistakeInTheRegisterListIsNamedWithItsFileAndLine)
{
    std::filesystem::create_directories(dir_.file("config/kelvor"));
    const struct {
        const char* text;
        const char* named;
    } cases[] = {
        {"; komentarz\n$1\tCOM1:9600:MUX0:1\t5\tKELVO\n$2 COM2:9600:MUX0:1 5 KELVO\n",
            ", wiersz 3: pola oddzielone spacjami zamiast tabulatorów (TAB)"},
        {"$1\tCOM1:9600:MUX0:1\n", ", wiersz 1: za mało pól; oczekiwane: numer kasy, port i czas oczekiwania"},
        {"\n\n1\tCOM1:9600:MUX0:1\t5\n", ", wiersz 3: wiersz kasy zaczyna się od „$”"},
        {"$1\tCOM1-9600\t5\n", ", wiersz 1: niepoprawny port „COM1-9600”; dozwolone: COMn:SZYBKOŚĆ:MUXm:KANAŁ"},
        {"$0\tCOM1:9600:MUX0:1\t5\n", ", wiersz 1: niepoprawny numer kasy „0”; dozwolone: od 1 do 255"},
        {"$1\tCOM1:9600:MUX0:1\tpięć\n", ", wiersz 1: niepoprawny czas oczekiwania „pięć”"},
        {"$1\tCOM1:9600:MUX0:1\t5\n# druga\n$1\tCOM2:9600:MUX0:1\t5\n", ", wiersz 3: numer kasy 1 powtarza się (jest już w wierszu 1)"},
    };
    for (const auto& c : cases) {
        kelvo::test::writeFile(listFile(), c.text);
        const Outcome batch = cli("--all 1 2012.01");
        EXPECT_EQ(batch.status, 1) << c.text;
        EXPECT_NE(errors().find("kelvor-cli: lista kas " + listFile() + c.named), std::string::npos) << errors();
    }
    std::filesystem::remove(listFile());
    EXPECT_EQ(cli("--all 1 2012.01").status, 1);
    EXPECT_NE(errors().find(listFile() + ": nie ma takiego pliku"), std::string::npos) << errors();
    EXPECT_NE(errors().find("--add-register"), std::string::npos) << "says how a register gets on the list: " << errors();
    EXPECT_TRUE(workingFiles().empty()) << "no register was asked";
}

TEST_F(KelvorCliTest, AddRegisterAppendsTheRunsConnectionAndRefusesADuplicate)
{
    const auto first = simulatorOn(1, {"--scenario", monthScenarioNumbered(1)});
    ASSERT_TRUE(first->listening());
    // A register that does not answer is not added, and no list is made for it.
    environment_ += " KELVO_COM3='" + dir_.file("nothing") + "'";
    EXPECT_NE(cli("--port 3 --add-register").status, 0);
    EXPECT_FALSE(kelvo::test::fileExists(listFile()));

    const Outcome added = cli("--port 1 --speed 9600 --add-register");
    EXPECT_EQ(added.status, 0) << errors();
    EXPECT_NE(errors().find("dopisano kasę numer "), std::string::npos) << errors();
    const std::string list = readFile(listFile());
    EXPECT_TRUE(std::regex_search(list, std::regex("\r\n\\$[0-9]+\tCOM1:9600:MUX0:1\t[0-9]+\tKELVO\r\n$"))) << list;

    // The same register again, with a report: the report is read, the list refuses the line.
    const Outcome again = cli("--port 1 --speed 9600 --add-register 1 2012.01");
    EXPECT_EQ(again.status, 1) << errors();
    EXPECT_NE(again.output.find("ŁĄCZNY RAPORT OKRESOWY"), std::string::npos) << "the report was still read";
    EXPECT_NE(errors().find("nie dopisano kasy do listy: kasa numer "), std::string::npos) << errors();
    EXPECT_NE(errors().find(" jest już na liście " + listFile()), std::string::npos) << errors();
    EXPECT_EQ(readFile(listFile()), list);

    // What it added is what --all reads.
    const Outcome batch = cli("--all 1 2012.01");
    EXPECT_EQ(batch.status, 0) << errors() << batch.output;
}

TEST_F(KelvorCliTest, ABatchOverThreeRegistersWritesEachRegistersFilesAndTheSummary)
{
    std::vector<std::unique_ptr<kelvo::test::SimulatorProcess>> registers;
    for (int n = 1; n <= 3; ++n) {
        registers.push_back(simulatorOn(n, {"--scenario", monthScenarioNumbered(n)}));
        ASSERT_TRUE(registers.back()->listening());
    }
    writeRegisterLines({1, 2, 3});
    const Outcome batch = cli("--all --output miesiac/styczen 1 2012.01");
    ASSERT_EQ(batch.status, 0) << errors() << batch.output;

    const std::string golden = readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt");
    for (const std::string n : {"1", "2", "3"}) {
        const std::string folder = dir_.file("miesiac/styczen/ABC 1234567" + n + "/");
        std::string expected = golden;
        expected.replace(expected.find("ABC 12345678"), 12, "ABC 1234567" + n);
        EXPECT_EQ(readFile(folder + "ABC 1234567" + n + "_SZCZ201201.txt"), expected);
        EXPECT_EQ(readFile(folder + "ABC 1234567" + n + "_SZCZ201201-utf8.txt"), kelvo::frontend::utf8FromWindows1250(expected));
        const std::string pdf = folder + "ABC 1234567" + n + "_SZCZ201201.pdf";
        EXPECT_NE(kelvo::test::commandOutput("pdftotext -layout '" + pdf + "' -").find("ŁĄCZNY RAPORT OKRESOWY"), std::string::npos) << pdf;
        // The accountant's figures of the same report beside it.
        std::string problem;
        const auto figures = kelvo::frontend::readAccountantFigures(folder + "ABC 1234567" + n + "_SZCZ201201.json", problem);
        ASSERT_TRUE(figures) << problem;
        EXPECT_EQ(figures->unique, "ABC 1234567" + n);
        EXPECT_TRUE(readFile(folder + "ABC 1234567" + n + "_SZCZ201201.csv").starts_with("\xEF\xBB\xBF"));
    }
    const std::string summary = readFile(dir_.file("miesiac/styczen/zestawienie.csv"));
    ASSERT_TRUE(summary.starts_with("\xEF\xBB\xBF")) << "UTF-8 with BOM";
    std::istringstream rows(summary.substr(3));
    std::vector<std::string> lines;
    for (std::string line; std::getline(rows, line);) {
        EXPECT_TRUE(line.ends_with("\r")) << line;
        lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(lines.size(), 4u) << summary;
    EXPECT_EQ(lines[0], "numer kasy;numer unikatowy;kod wyniku;komunikat;zakres;łączna należność;łączna kwota PTU;pliki");
    // The total due of the report's closing block (its last "Łączna należność"), with a decimal comma and no grouping.
    const std::string report = kelvo::frontend::utf8FromWindows1250(golden);
    const std::regex dueLine("Łączna należność +([0-9.]+,[0-9]{2})");
    std::string totalDue;
    for (auto it = std::sregex_iterator(report.begin(), report.end(), dueLine); it != std::sregex_iterator(); ++it)
        totalDue = std::regex_replace((*it)[1].str(), std::regex("\\."), "");
    ASSERT_FALSE(totalDue.empty()) << report;
    for (int n = 1; n <= 3; ++n) {
        const std::string u = "ABC 1234567" + std::to_string(n);
        const std::string base = u + "/" + u + "_SZCZ201201";
        EXPECT_TRUE(lines[n].starts_with(std::to_string(n) + ";" + u + ";0;raport odczytany;RAPORT SZCZEGÓŁOWY MIESIĘCZNY (01.2012r.);"
            + totalDue + ";")) << lines[n];
        EXPECT_TRUE(lines[n].ends_with(";" + base + ".txt, " + base + "-utf8.txt, " + base + ".pdf, " + base + ".json, " + base + ".csv"))
            << lines[n];
    }
}

TEST_F(KelvorCliTest, ARunOpensThePortOnceForAllItsCommands)
{
    const auto first = simulatorOn(1, {"--scenario", monthScenarioNumbered(1)});
    ASSERT_TRUE(first->listening());
    // The driver's trace writes a line at every opening and closing of the port.
    ASSERT_EQ(cli("--port 1 --speed 9600 --trace trace.log 1 2012.01").status, 0) << errors();
    const std::string trace = readFile(dir_.file("trace.log"));
    std::size_t opens = 0, closes = 0;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        opens += std::regex_search(line, std::regex("^# [0-9.]+ open ")) ? 1 : 0;
        closes += std::regex_search(line, std::regex("^# [0-9.]+ close$")) ? 1 : 0;
    }
    EXPECT_EQ(opens, 1u) << trace;
    EXPECT_EQ(closes, 1u) << "released at the run's end: " << trace;
    EXPECT_NE(trace.find("command=ONrKasy"), std::string::npos) << "opened by the run's first command: " << trace;
    // A run after it finds the port free.
    EXPECT_EQ(cli("--port 1 --speed 9600 1 2012.01").status, 0) << errors();
}

TEST_F(KelvorCliTest, EveryReportReadIsKeptInTheArchiveOnceAndArchiveListsIt)
{
    const auto first = simulatorOn(1, {"--scenario", monthScenarioNumbered(1), "--baud", "9600"});
    const auto second = simulatorOn(2, {"--scenario", monthScenarioNumbered(2), "--baud", "9600"});
    ASSERT_TRUE(first->listening());
    ASSERT_TRUE(second->listening());
    EXPECT_EQ(cli("--port 1 --speed 9600 --mux 0 1 2012.01").status, 0) << errors();
    EXPECT_EQ(cli("1 2012.01").status, 0) << errors();
    EXPECT_EQ(errors().find("uwaga"), std::string::npos) << errors();
    writeRegisterLines({1, 2});
    EXPECT_EQ(cli("--all 1 2012.01").status, 0) << errors();

    const std::string archive = dir_.file("data/kelvor/raporty");
    const std::string golden = readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt");
    for (const std::string n : {"1", "2"}) {
        std::string expected = golden;
        expected.replace(expected.find("ABC 12345678"), 12, "ABC 1234567" + n);
        const std::string folder = archive + "/ABC 1234567" + n;
        EXPECT_EQ(readFile(folder + "/ABC 1234567" + n + "_SZCZ201201.txt"), expected);
        std::vector<std::string> kept;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            kept.push_back(entry.path().filename().string());
        std::sort(kept.begin(), kept.end());
        const std::string name = "ABC 1234567" + n + "_SZCZ201201";
        EXPECT_EQ(kept, (std::vector<std::string> {name + ".csv", name + ".json", name + ".opis", name + ".pdf", name + ".txt"}))
            << "the same report read again is kept once; the batch's PDF and figures join the text kept before";
    }

    const Outcome listed = cli("--archive");
    EXPECT_EQ(listed.status, 0) << errors();
    std::istringstream lines(listed.output);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(kelvo::frontend::utf8Characters(line), 80u) << line;
        rows.push_back(line);
    }
    ASSERT_EQ(rows.size(), 8u) << listed.output;
    EXPECT_EQ(rows[0], "archiwum raportów: " + archive);
    EXPECT_EQ(rows[1], "KASA NR UNIKATOWY  RODZAJ            ZAKRES                SPORZĄDZONO");
    EXPECT_TRUE(std::regex_match(rows[2], std::regex("1    ABC 12345671  miesięczny        01\\.2012               "
                                                     "20[0-9]{2}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}")))
        << rows[2];
    // The file list breaks between names, never at the blank inside a unique number.
    EXPECT_EQ(rows[3], "     pliki: ABC 12345671_SZCZ201201.txt, ABC 12345671_SZCZ201201.pdf,");
    EXPECT_EQ(rows[4], "            ABC 12345671_SZCZ201201.json, ABC 12345671_SZCZ201201.csv");
    // The number each register answered, not its line's place in the list: both simulators answer 1.
    EXPECT_TRUE(rows[5].starts_with("1    ABC 12345672  miesięczny")) << rows[5];

    const Outcome one = cli("--archive 'ABC 12345672'");
    EXPECT_EQ(one.output.find("ABC 12345671"), std::string::npos) << one.output;
    EXPECT_NE(one.output.find("ABC 12345672_SZCZ201201.txt"), std::string::npos) << one.output;
    EXPECT_NE(cli("--archive XYZ").output.find("brak zachowanych raportów kasy XYZ"), std::string::npos);
    EXPECT_EQ(cli("--archive XYZ 1").status, 2);
}

TEST_F(KelvorCliTest, AReportThatCannotBeArchivedIsStillPrintedAndSavedWithAWarning)
{
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"},
        dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    std::filesystem::create_directories(dir_.file("data/kelvor"));
    kelvo::test::writeFile(dir_.file("data/kelvor/raporty"), "not a folder");

    const Outcome monthly = cli("--port 1 --speed 9600 --mux 0 1 2012.01 --save kept.txt");
    EXPECT_EQ(monthly.status, 0) << errors();
    const std::string golden = readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt");
    EXPECT_EQ(monthly.output, kelvo::frontend::utf8FromWindows1250(golden));
    EXPECT_EQ(readFile(dir_.file("kept.txt")), golden);
    EXPECT_NE(errors().find("kelvor-cli: uwaga: nie można zachować raportu w archiwum: " + dir_.file("data/kelvor/raporty")),
              std::string::npos)
        << errors();
}
