// The read-progress function against the register simulator: told after
// every record the report command reads, on the command's thread, with a
// count that restarts with each command and the memory's last index.
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <kelvo/kelvodrv.h>
#include <set>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/driver/reports/records_fixture.h"

using kelvo::test::writeFile;

namespace {

struct Call {
    std::uint32_t recordsRead;
    std::uint32_t highestIndex;
    std::thread::id thread;
};

void collect(void* context, std::uint32_t recordsRead, std::uint32_t highestIndex)
{
    static_cast<std::vector<Call>*>(context)->push_back({recordsRead, highestIndex, std::this_thread::get_id()});
}

const std::string kReadOnlyMemory = std::string(KELVOSIM_SCENARIOS) + "/orvan-read-only.json";

class ReadProgressTest : public kelvo::test::RecordsTest {
protected:
    void TearDown() override
    {
        UstawienieFunkcjiPostepuOdczytu(nullptr, nullptr);
        RecordsTest::TearDown();
    }

    // Runs X000028X with one data line, as the front end does, on a thread of its own.
    int report(const std::string& dataLine)
    {
        writeFile("in", "#1\r\n#\r\n#\r\n" + dataLine + "\r\n");
        int code = -1;
        std::thread command([&code] { code = X000028X("in", "report.txt"); });
        commandThread_ = command.get_id();
        command.join();
        return code;
    }

    // Records of the array (indexes up to last) the simulator was asked for;
    // a damaged record asked for ten times counts once.
    std::size_t arrayRecordsRead(std::uint32_t last) const
    {
        std::set<unsigned> indexes;
        for (const std::string& line : requests("154")) {
            unsigned low = 0;
            unsigned high = 0;
            const std::size_t data = line.find("data=[");
            if (data != std::string::npos && std::sscanf(line.c_str() + data, "data=[%x %x]", &low, &high) == 2
                && (high << 8 | low) <= last)
                indexes.insert(high << 8 | low);
        }
        return indexes.size();
    }

    std::thread::id commandThread_;
};

}

TEST_F(ReadProgressTest, EveryRecordReadIsCountedOnTheCommandsThreadAndTheCountRestartsWithTheNextCommand)
{
    startRegister({"--scenario", kReadOnlyMemory});
    std::vector<Call> calls;
    UstawienieFunkcjiPostepuOdczytu(collect, &calls);

    ASSERT_EQ(report("$8"), 0) << kelvo::test::readFile("RAPORT.TXT");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.size(), arrayRecordsRead(2059));
    for (std::size_t k = 0; k < calls.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(calls[k].recordsRead, k + 1);
        EXPECT_EQ(calls[k].highestIndex, 2059u);  // the default memory: records 0 to 2059
        EXPECT_EQ(calls[k].thread, commandThread_);
    }

    const std::size_t firstCommand = calls.size();
    ASSERT_EQ(report("$3\t1\t2"), 0);
    ASSERT_GT(calls.size(), firstCommand);
    EXPECT_EQ(calls[firstCommand].recordsRead, 1u);
    EXPECT_EQ(calls.back().recordsRead, calls.size() - firstCommand);

    UstawienieFunkcjiPostepuOdczytu(nullptr, &calls);
    const std::size_t registered = calls.size();
    ASSERT_EQ(report("$8"), 0);
    EXPECT_EQ(calls.size(), registered);
}

TEST_F(ReadProgressTest, TheHighestIndexIsTheLastRecordOfTheMemoryTheRegisterReports)
{
    startRegister({"--generate", "1", "--records", "300"});
    std::vector<Call> calls;
    UstawienieFunkcjiPostepuOdczytu(collect, &calls);

    ASSERT_EQ(report("$3\t1\t65535"), 0) << kelvo::test::readFile("RAPORT.TXT");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.size(), arrayRecordsRead(299));
    EXPECT_GT(calls.back().recordsRead, 200u);  // a year of daily reports
    for (const Call& call : calls)
        EXPECT_EQ(call.highestIndex, 299u);
}

namespace {

// Asks the command to stop once it has read the given number of records,
// from a thread of its own, as a window's button would.
struct StopAfter {
    std::uint32_t records;
    std::vector<std::thread> askers;
};

void stopAfter(void* context, std::uint32_t recordsRead, std::uint32_t)
{
    auto* stop = static_cast<StopAfter*>(context);
    if (recordsRead == stop->records)
        stop->askers.emplace_back([] { PrzerwanieOdczytu(); });
    for (std::thread& asker : stop->askers)
        asker.join();
    stop->askers.clear();
}

bool portFree(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

}

TEST_F(ReadProgressTest, AStopAskedForEndsTheCommandBeforeTheNextRecordWith124AndReleasesThePort)
{
    startRegister({"--scenario", kReadOnlyMemory});
    StopAfter stop {5, {}};
    UstawienieFunkcjiPostepuOdczytu(stopAfter, &stop);

    EXPECT_EQ(report("$8"), 124);
    EXPECT_EQ(arrayRecordsRead(2059), 5u) << "no record asked for after the stop";
    EXPECT_NE(kelvo::test::readFile("RAPORT.TXT").find("#124"), std::string::npos) << kelvo::test::readFile("RAPORT.TXT");
    EXPECT_TRUE(portFree(dir_.file("com"))) << "the port is closed at the stop";

    UstawienieFunkcjiPostepuOdczytu(nullptr, nullptr);
    EXPECT_EQ(report("$3\t1\t2"), 0) << "the next command is not stopped";
}

TEST_F(ReadProgressTest, AStopAskedForBetweenCommandsIsForgotten)
{
    startRegister({"--scenario", kReadOnlyMemory});
    PrzerwanieOdczytu();
    EXPECT_EQ(report("$3\t1\t2"), 0);
}

TEST_F(ReadProgressTest, WithKeptRecordsTheHighestIndexIsTheEndOfTheWrittenPartTheyKnow)
{
    ::setenv("XDG_CACHE_HOME", dir_.file("cache").c_str(), 1);
    UstawieniePamieciRekordow(1);
    startRegister({"--generate", "1"});  // a year written into a memory of 2060 records
    std::vector<Call> calls;
    UstawienieFunkcjiPostepuOdczytu(collect, &calls);

    ASSERT_EQ(report("$3\t1\t65535"), 0) << kelvo::test::readFile("RAPORT.TXT");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().highestIndex, 2059u) << "nothing kept yet: the memory's size";
    const std::uint32_t written = calls.back().recordsRead;

    calls.clear();
    ASSERT_EQ(report("$3\t1\t65535"), 0) << kelvo::test::readFile("RAPORT.TXT");
    UstawieniePamieciRekordow(0);
    ::unsetenv("XDG_CACHE_HOME");
    ASSERT_FALSE(calls.empty());
    EXPECT_LT(calls.front().highestIndex, 2059u);
    EXPECT_EQ(calls.back().recordsRead, calls.back().highestIndex + 1) << "the bar ends full";
    EXPECT_EQ(calls.back().recordsRead, written);
}
