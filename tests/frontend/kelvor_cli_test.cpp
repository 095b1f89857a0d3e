#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/wait.h>
#include <thread>

#include "frontend/logic/text_encoding.h"
#include "frontend/logic/working_folder.h"
#include "tests/support/other_user.h"
#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
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
        const std::string command = "cd '" + dir_.path() + "' && TEMP='" + temp_ + "' KELVO_COM1='"
            + dir_.file("com") + "' " + KELVOR_CLI_PATH + " " + arguments + " 2>" + errors;
        Outcome outcome;
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t n = 0; pipe != nullptr && (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
            outcome.output.append(buffer, n);
        const int status = pipe == nullptr ? -1 : ::pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    std::vector<std::string> workingFiles()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(kelvo::frontend::privateFolderIn(temp_)))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    kelvo::test::TempDir dir_;
    std::string temp_ = dir_.file("work");
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

TEST_F(KelvorCliTest, WithoutARegisterOrWithAWrongCommandLine)
{
    const Outcome noRegister = cli("--port 1 4");
    EXPECT_EQ(noRegister.status, 62);
    EXPECT_EQ(readFile(dir_.file("stderr.txt")), "BŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO\n");
    EXPECT_EQ(workingFiles(), std::vector<std::string> {"KONFIG.TXT"});

    for (const char* wrong : {"", "9", "1 2012", "1 2012.13", "2 2012.01.01", "3 1", "--speed 1200 4", "4 extra"})
        EXPECT_EQ(cli(wrong).status, 255) << wrong;
}

TEST_F(KelvorCliTest, OnATerminalTheRecordsReadRiseAgainstTheMemoryWithTheTimeTaken)
{
    // A year of daily reports in a memory of 300 records, answered slowly
    // enough for the line to be redrawn several times.
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir_.file("com"), "--generate", "1", "--records", "300", "--baud", "57600"}, dir_.file("sim.out"));
    ASSERT_TRUE(simulator.listening());
    const kelvo::test::PtyPair terminal;
    const int held = ::open(terminal.slavePath().c_str(), O_RDWR | O_NOCTTY);  // keeps the terminal up after the run
    ASSERT_GE(held, 0);
    std::string shown;
    std::atomic<bool> finished {false};
    std::thread reader([&] {
        while (!finished)
            shown += terminal.receive(4096, std::chrono::milliseconds(100));
        for (std::string more; !(more = terminal.receive(4096, std::chrono::milliseconds(100))).empty();)
            shown += more;
    });
    const Outcome report = cli("--port 1 3 1 65535", terminal.slavePath());
    finished = true;
    reader.join();
    ::close(held);
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
    EXPECT_EQ(cli("--port 1 4").status, 62);
    EXPECT_EQ(kelvo::test::readFile(victim), "keep me");
    EXPECT_EQ(workingFiles(), std::vector<std::string> {"KONFIG.TXT"}) << "the run used its private folder";

    // The private folder's name taken beforehand by another user.
    std::filesystem::remove_all(kelvo::frontend::privateFolderIn(temp_));
    ASSERT_TRUE(kelvo::test::runAsNobody("mkdir -m 777 " + kelvo::frontend::privateFolderIn(temp_) + " && ln -s "
        + victim + " " + kelvo::frontend::privateFolderIn(temp_) + "/RAPORT.TXT"));
    EXPECT_EQ(cli("--port 1 4").status, 255);
    EXPECT_EQ(readFile(dir_.file("stderr.txt")),
        "kelvor-cli: FOLDER ROBOCZY " + kelvo::frontend::privateFolderIn(temp_) + " NALEŻY DO INNEGO UŻYTKOWNIKA\n");
    EXPECT_EQ(kelvo::test::readFile(victim), "keep me");
}
