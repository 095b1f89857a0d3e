#include "frontend/logic/read_progress.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "frontend/logic/report_range.h"
#include "tests/frontend/logic/connected_session.h"
#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;

TEST(ReadProgressText, TheCountAgainstTheRecordsTheMemoryHoldsAndTheTimeTaken)
{
    EXPECT_EQ(recordsReadText(0, 0), "Odczytano rekordów: 0");
    EXPECT_EQ(recordsReadText(123, 0), "Odczytano rekordów: 123") << "the highest index is not known yet";
    EXPECT_EQ(recordsReadText(123, 2059), "Odczytano rekordów: 123 z 2060") << "records 0 to 2059";
    EXPECT_EQ(recordsReadText(2065, 2059), "Odczytano rekordów: 2060 z 2060") << "never more than the memory holds";

    EXPECT_EQ(elapsedText(0), "Czas odczytu: 0:00");
    EXPECT_EQ(elapsedText(125), "Czas odczytu: 2:05");
    EXPECT_EQ(elapsedText(3723), "Czas odczytu: 1:02:03");
}

TEST(ReadProgressWatch, CountsTheRecordsOfTheReportAndNothingOfTheIdentityCommands)
{
    kelvo::test::TempDir dir;
    const kelvo::test::InFolder folder(dir.path());
    kelvo::test::ScopedEnv port {"KELVO_COM7", dir.file("com")};
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json"}, dir.file("sim.out"));
    ASSERT_TRUE(simulator.listening());

    Session session;
    {
        const ReadProgressWatch watch;
        ASSERT_TRUE(kelvo::test::connectToCom7(session));
        EXPECT_EQ(watch.current().recordsRead, 0u);
        RangeChoice numbers;
        numbers.kind = 3;
        numbers.numberFrom = 1;
        numbers.numberTo = 2;
        ASSERT_EQ(runReport(session, numbers).code, 0);
        EXPECT_GT(watch.current().recordsRead, 2u);
        EXPECT_EQ(watch.current().highestIndex, 2059u);
    }
    const ReadProgressWatch next;
    EXPECT_EQ(next.current().recordsRead, 0u) << "a new watch starts from nothing";
}

TEST(ReadProgressText, TheTimeLeftAtThePaceOfTheRecordsReadSoFar)
{
    EXPECT_EQ(timeLeftText(0, 599, 5000), "") << "no pace before the first record";
    EXPECT_EQ(timeLeftText(100, 0, 5000), "") << "no end to measure against";
    EXPECT_EQ(timeLeftText(100, 599, 10000), "Pozostało około: 0:50") << "500 records at 10 s a hundred";
    EXPECT_EQ(timeLeftText(600, 599, 60000), "Pozostało około: 0:00");
    EXPECT_EQ(timeLeftText(5, 5, 1000), "Pozostało około: 0:01") << "a part of a second left shows as one";
    EXPECT_EQ(timeLeftText(10, 2059, 36000), "Pozostało około: 2:03:00");
}
