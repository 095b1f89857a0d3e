#include "driver/core/notify.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
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

TEST_F(NotifyTest, ServerThatReadsLateLosesNoNotice)
{
    MessageBus server;
    ASSERT_TRUE(server.join());
    ctx.server.activeMessageNumber = 0xC200;
    ctx.server.driverIdentifier = 5;
    // Far more notices than a datagram socket's queue holds, while the server
    // reads nothing: posting goes on at once and keeps what did not fit.
    constexpr std::uint32_t kNotices = 300;
    for (std::uint32_t k = 1; k <= kNotices; ++k)
        postPeriodic(Notice::Counter, k, 1);
    EXPECT_GT(ctx.bus.pendingCount(), 0u) << "the server's queue filled up";

    // The server starts reading after a pause; what was kept follows, in order,
    // as the finish hands it over within its bounded wait.
    std::vector<BusMessage> seen;
    std::thread reader([&] {
        ::usleep(200000);
        while (auto message = server.receive(1000))
            seen.push_back(*message);
    });
    sendPendingNotices(std::chrono::seconds(5));
    reader.join();
    EXPECT_EQ(ctx.bus.pendingCount(), 0u);
    ASSERT_EQ(seen.size(), kNotices);
    for (std::uint32_t k = 1; k <= kNotices; ++k)
        EXPECT_EQ(seen[k - 1], (BusMessage {0xC200, 5, k * 256 + 'C'})) << k;
}

TEST_F(NotifyTest, BusFolderOfAnotherUserOrOpenToOthersIsRefusedAndSaidSo)
{
    const std::string folder = dir_.file("bus");
    struct Planted {
        const char* name;
        mode_t mode;
        bool otherOwner;
    };
    std::vector<Planted> cases {{"open to everybody", 0777, false}};
    if (::geteuid() == 0)
        cases.push_back({"owned by another user", 0700, true});
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.name);
        resetProcessState();
        std::filesystem::remove_all(folder);
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        // Whoever planted the folder listens in it for what a driver posts.
        const int planted = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s/planted", folder.c_str());
        ASSERT_EQ(::bind(planted, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);
        if (c.otherOwner) {
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        }

        ctx.server.configuredMessageNumber = 0xC300;
        ctx.server.debug = true;
        ctx.names.slot[0] = "ONrKasy";
        ::testing::internal::CaptureStderr();
        announce();
        postToServer(Notice::Counter, 1);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(folder), std::string::npos) << said;
        EXPECT_NE(said.find("nie jest prywatnym folderem"), std::string::npos) << said;
        EXPECT_NE(kelvo::test::readFile("debug.txt").find("nie dolaczyl do Serwera"), std::string::npos);
        EXPECT_FALSE(ctx.bus.joined());
        char datagram[16];
        EXPECT_LT(::recv(planted, datagram, sizeof(datagram), MSG_DONTWAIT), 0) << "nothing was posted into it";
        ::close(planted);
    }
}
