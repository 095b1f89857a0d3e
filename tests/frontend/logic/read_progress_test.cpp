#include "frontend/logic/read_progress.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "frontend/logic/connection_sequence.h"
#include "frontend/logic/report_range.h"
#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;
using std::chrono::seconds;

TEST(ReadProgressText, TimeAloneThenTheCountThenTheCountAgainstTheMemory)
{
    EXPECT_EQ(elapsedText(seconds(0)), "0:00");
    EXPECT_EQ(elapsedText(seconds(125)), "2:05");
    EXPECT_EQ(elapsedText(seconds(3723)), "1:02:03");

    EXPECT_EQ(readProgressText({0, 0}, seconds(3)), "trwa odczyt danych z kasy, czas 0:03");
    EXPECT_EQ(readProgressText({123, 0}, seconds(5)), "odczytane rekordy: 123, czas 0:05");
    EXPECT_EQ(readProgressText({123, 2059}, seconds(45)), "odczytane rekordy: 123 z 2060, czas 0:45");
    EXPECT_EQ(readProgressText({2065, 2059}, seconds(150)), "odczytane rekordy: 2060 z 2060, czas 2:30")
        << "never more than the memory holds";
}

namespace {

// The working folder of the front end for the test's duration.
class InFolder {
public:
    explicit InFolder(const std::string& path) { std::filesystem::current_path(path); }
    ~InFolder() { std::filesystem::current_path(previous_); }

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
};

}

TEST(ReadProgressWatch, CountsTheRecordsOfTheReportAndNothingOfTheIdentityCommands)
{
    kelvo::test::TempDir dir;
    const InFolder folder(dir.path());
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
    {
        const ReadProgressWatch watch;
        ASSERT_EQ(runConnection(session, ConnectionChoice {7, 0, 0, 0}, events).result, ConnectionResult::RangeWindow);
        EXPECT_EQ(watch.current().recordsRead, 0u);
        RangeChoice numbers;
        numbers.kind = 3;
        numbers.numberFrom = 1;
        numbers.numberTo = 2;
        ASSERT_EQ(runReport(session, numbers).code, 0);
        EXPECT_GT(watch.current().recordsRead, 2u);
        EXPECT_EQ(watch.current().recordsInMemory(), 2060u);
    }
    const ReadProgressWatch next;
    EXPECT_EQ(next.current().recordsRead, 0u) << "a new watch starts from nothing";
}
