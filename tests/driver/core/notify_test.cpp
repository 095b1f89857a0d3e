#include "driver/core/notify.h"

#include <cstdlib>
#include <unistd.h>

#include "driver/files/textfile.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;
using kelvo::platform::BusMessage;
using kelvo::platform::MessageBus;
using kelvo::test::writeFile;

namespace {

class NotifyTest : public kelvo::test::DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        ::setenv("KELVO_BUS_DIR", dir_.file("bus").c_str(), 1);
    }
    void TearDown() override
    {
        DriverTest::TearDown();
        ::unsetenv("KELVO_BUS_DIR");
    }

    std::vector<BusMessage> drain(MessageBus& server)
    {
        std::vector<BusMessage> seen;
        while (auto message = server.receive(200))
            seen.push_back(*message);
        return seen;
    }
};

}

TEST_F(NotifyTest, LinesAndOutlinesAtEachMultipleOfTheirInterval)
{
    MessageBus server;
    ASSERT_TRUE(server.join());
    ctx.server.activeMessageNumber = 0xC100;
    ctx.server.driverIdentifier = 77;
    ctx.server.linesInterval = 5;
    ctx.server.outlinesInterval = 2;

    std::string input = "#1\r\n#2\r\n#3\r\n";
    for (int i = 1; i <= 10; ++i)
        input += "$" + std::to_string(i) + "\r\n";
    writeFile("IN", input);
    ASSERT_TRUE(openFile(ctx.files.input, "IN", 0));
    std::string line;
    bool wrongKind = false;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(readHeaderLine(ctx.files.input, line, wrongKind));
    while (readDataLine(ctx.files.input, line, wrongKind)) { }
    EXPECT_EQ(ctx.counters.inputDataLines, 10u);

    ctx.names.slot[2] = "OUT";
    ASSERT_TRUE(openFile(ctx.files.output, "OUT", 1));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(writeDataLine(ctx.files.output, "x"));

    const std::vector<BusMessage> expected {
        {0xC100, 77, 5 * 256 + 'L'},
        {0xC100, 77, 10 * 256 + 'L'},
        {0xC100, 77, 2 * 256 + 'O'},
    };
    EXPECT_EQ(drain(server), expected);
}

TEST_F(NotifyTest, AnnounceUsesTheProcessIdentifierAndValuesAreLimited)
{
    MessageBus server;
    ASSERT_TRUE(server.join());
    ctx.server.configuredMessageNumber = 1234;
    ctx.names.slot[0] = "ONrKasy";
    announce();
    postToServer(Notice::Counter, 20000000);
    const std::vector<BusMessage> expected {
        {1234, static_cast<std::uint32_t>(::getpid()), 'A'},
        {1234, static_cast<std::uint32_t>(::getpid()), 16777215u * 256 + 'C'},
    };
    EXPECT_EQ(drain(server), expected);
    EXPECT_EQ(ctx.server.debugDescription, "") << "the description names the command only when debugging";
}

TEST_F(NotifyTest, NothingIsPostedWithoutAServerMessageNumber)
{
    ctx.names.slot[0] = "OStatus";
    ctx.server.linesInterval = 1;
    announce();
    postPeriodic(Notice::Lines, 1, 1);
    EXPECT_FALSE(ctx.bus.joined());
    EXPECT_FALSE(kelvo::test::fileExists(dir_.file("bus"))) << "no socket is made when no server is configured";
    EXPECT_FALSE(kelvo::test::fileExists("debug.txt"));
}
