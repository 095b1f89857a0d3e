#include "frontend/logic/connection_sequence.h"
#include "frontend/logic/report_range.h"

#include <kelvo/kelvodrv_contract.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;
using kelvo::test::readFile;

namespace {

class ConnectionSequenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        events_.continueWithoutRegister = [this](const std::string& message) {
            questions_.push_back(message);
            return answerYes_;
        };
        events_.showMainWindow = [this] { seen_.push_back("main"); };
        events_.requestEnd = [this] { seen_.push_back("end"); };
        events_.busy = [this](bool busy) { seen_.push_back(busy ? "busy" : "idle"); };
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    void startRegister(const std::vector<std::string>& extra)
    {
        std::vector<std::string> arguments {"--pty", dir_.file("com")};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        simulator_ = std::make_unique<kelvo::test::SimulatorProcess>(KELVOSIM_PATH, arguments, dir_.file("sim.out"));
        ASSERT_TRUE(simulator_->listening());
    }

    kelvo::test::TempDir dir_;
    std::filesystem::path previous_;
    kelvo::test::ScopedEnv port_ {"KELVO_COM7", dir_.file("com")};
    std::unique_ptr<kelvo::test::SimulatorProcess> simulator_;
    ConnectionEvents events_;
    std::vector<std::string> questions_;
    std::vector<std::string> seen_;
    bool answerYes_ = false;
    Session session_;
    const ConnectionChoice choice_ {7, 0, 0, 3};
};

}

TEST_F(ConnectionSequenceTest, TheRegisterAnswersAndTheRangeWindowFollows)
{
    startRegister({"--model", "121"});
    EXPECT_EQ(runConnection(session_, choice_, events_).result, ConnectionResult::RangeWindow);
    EXPECT_TRUE(questions_.empty());
    EXPECT_EQ(seen_, (std::vector<std::string> {"busy", "idle"}));
    EXPECT_EQ(session_.record.registerNumber, 1);
    EXPECT_EQ(session_.uniqueNumber, "KLV 00121001");
    EXPECT_FALSE(session_.settlementEnabled) << "flag 03 is clear: the memory is not read-only";
    EXPECT_EQ(session_.record.portTimeout, 5);
    EXPECT_EQ(readFile("KONFIG.TXT"), "$1\tCOM7:9600:MUX0:1\t2\tKELVO") << "written before the unique number was read";
}

TEST_F(ConnectionSequenceTest, ReadOnlyMemoryAllowsSettlements)
{
    startRegister({"--scenario", std::string(KELVOSIM_SCENARIOS) + "/pelun-read-only.json"});
    EXPECT_EQ(runConnection(session_, choice_, events_).result, ConnectionResult::RangeWindow);
    EXPECT_TRUE(session_.settlementEnabled);
}

TEST_F(ConnectionSequenceTest, WithoutARegisterTheUserIsAskedTwice)
{
    kelvo::test::writeFile("KONFIG.$$$", "$1\tCOM9:9600:MUX0:1\t2\tKELVO\r\n");
    const ConnectionOutcome outcome = runConnection(session_, choice_, events_);
    EXPECT_EQ(outcome.result, ConnectionResult::StayOrElsewhere);
    EXPECT_EQ(outcome.code, KELVODRV_RESULT_PORT_NOT_OPENED);
    ASSERT_EQ(questions_.size(), 2u);
    EXPECT_EQ(questions_[0],
        "BŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO\nCZY URUCHOMIĆ PROGRAM BEZ PODŁĄCZENIA DO KASY?");
    EXPECT_EQ(seen_, (std::vector<std::string> {"end", "busy", "idle"})) << "No after the first question asks to end";
    EXPECT_FALSE(std::filesystem::exists("out.txt"));
    EXPECT_FALSE(std::filesystem::exists("IN"));
    EXPECT_TRUE(std::filesystem::exists("KONFIG.TXT"));
    EXPECT_FALSE(std::filesystem::exists("KONFIG.$$$")) << "the driver would read it instead of KONFIG.TXT";

    answerYes_ = true;
    seen_.clear();
    runConnection(session_, choice_, events_);
    EXPECT_EQ(seen_, (std::vector<std::string> {"main", "busy", "idle", "main"}));
}

TEST_F(ConnectionSequenceTest, ReportAfterTheConnection)
{
    startRegister({"--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"});
    ASSERT_EQ(runConnection(session_, choice_, events_).result, ConnectionResult::RangeWindow);
    RangeChoice monthly = defaultRange({2012, 2, 1});
    const ReportRun report = runReport(session_, monthly);
    EXPECT_EQ(report.code, 0);
    EXPECT_EQ(report.names.fileName, "ABC 12345678_SZCZ201201.txt") << "the unique number as the register shows it";
    EXPECT_EQ(readFile(report.names.fileName), readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt"));

    RangeChoice whole;
    whole.kind = 8;
    const ReportRun failed = runReport(session_, whole);
    EXPECT_EQ(failed.code, 73) << "a settlement needs a read-only memory";
    EXPECT_FALSE(std::filesystem::exists(failed.names.fileName));
    EXPECT_FALSE(std::filesystem::exists("IN"));
}

TEST_F(ConnectionSequenceTest, EveryDriverCommandGoesThroughTheRunner)
{
    startRegister({"--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"});
    events_.runCommand = [this](const DriverCommand& command) {
        seen_.push_back("command");
        return command();
    };
    ASSERT_EQ(runConnection(session_, choice_, events_).result, ConnectionResult::RangeWindow);
    EXPECT_EQ(seen_, (std::vector<std::string> {"command", "busy", "command", "idle", "command"}))
        << "number, unique number inside the hourglass, status";

    std::vector<std::string> steps;
    RangeChoice monthly;
    monthly.monthItem = 0;
    monthly.year = 2012;
    ReportSteps reportSteps;
    reportSteps.starting = [&steps](const ReportNames& names) {
        steps.push_back("starting " + names.fileName);
        EXPECT_TRUE(std::filesystem::exists("IN")) << "the parameter files are written first";
    };
    reportSteps.runCommand = [&steps](const DriverCommand& command) {
        steps.push_back("command");
        return command();
    };
    EXPECT_EQ(runReport(session_, monthly, reportSteps).code, 0);
    EXPECT_EQ(steps, (std::vector<std::string> {"starting ABC 12345678_SZCZ201201.txt", "command"}));
}
