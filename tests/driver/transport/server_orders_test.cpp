#include <kelvo/kelvodrv.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/message_bus.h"
#include "tests/driver/register_fixture.h"

using kelvo::platform::BusMessage;
using kelvo::platform::MessageBus;
using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

constexpr std::uint32_t kMessage = 0xC0DE;
constexpr std::uint32_t kDriver = 4242;

class ServerOrdersTest : public kelvo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        ::setenv("KELVO_BUS_DIR", dir_.file("bus").c_str(), 1);
        // A parameter list naming the server's message number and this driver's identifier.
        writeFile("par.txt", "$13:10\r\n$KONFIG.TXT\r\n$RAPORT.TXT\r\n$KOMENT.TXT\r\n$MODKONF.TXT\r\n$ECRTBUF.TXT\r\n$"
                + std::to_string(kMessage) + ":" + std::to_string(kDriver)
                + "\r\n$T\r\n$N\r\n$T\r\n$0\r\n$0\r\n$0\r\n");
        ASSERT_TRUE(server_.join());
    }
    void TearDown() override
    {
        server_.leave();
        RegisterTest::TearDown();
        ::unsetenv("KELVO_BUS_DIR");
    }

    // The next message from the driver, skipping the others; 0 after a time-out.
    char nextFromDriver()
    {
        for (int waited = 0; waited < 50; ++waited)
            if (const auto message = server_.receive(100); message && message->message == kMessage)
                return static_cast<char>(message->lParam & 0xFF);
        return 0;
    }

    void order(char letter) { server_.broadcast({kMessage, kDriver, static_cast<std::uint32_t>(letter)}); }

    MessageBus server_;
};

}

TEST_F(ServerOrdersTest, SuspendResumeAndBreak)
{
    startRegister({"--model", "121", "--turnaround", "20"});
    auto command = std::async(std::launch::async, [] { return ONrKasy("IN;out;par.txt", "unused"); });
    ASSERT_EQ(nextFromDriver(), 'A');
    order('s');
    ASSERT_EQ(nextFromDriver(), 'S');
    EXPECT_FALSE(kelvo::drv::ctx.link.open) << "a suspended driver closes its port";
    EXPECT_EQ(command.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << "and waits";
    order('c');
    EXPECT_EQ(nextFromDriver(), 'C') << "orders are still answered while suspended";
    order('r');
    EXPECT_EQ(nextFromDriver(), 'R');
    ASSERT_EQ(command.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(command.get(), 0);
    EXPECT_TRUE(readFile("out").ends_with("\r\n$01\r\n"));
    EXPECT_NE(readFile("debug.txt").find("wykonal rozkaz SUSPEND Serwera"), std::string::npos);
    EXPECT_NE(readFile("debug.txt").find("wykonal rozkaz RESUME Serwera"), std::string::npos);

    auto broken = std::async(std::launch::async, [] { return ONrKasy("IN;out;par.txt", "unused"); });
    ASSERT_EQ(nextFromDriver(), 'A');
    order('b');
    EXPECT_EQ(nextFromDriver(), 'B');
    ASSERT_EQ(broken.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(broken.get(), 56);

    auto unknown = std::async(std::launch::async, [] { return ONrKasy("IN;out;par.txt", "unused"); });
    ASSERT_EQ(nextFromDriver(), 'A');
    order('x');
    ASSERT_EQ(unknown.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(unknown.get(), 54);
    EXPECT_NE(readFile("debug.txt").find("odebral nieznany rozkaz Serwera"), std::string::npos);
}

namespace {

// A parameter list with a COUNTER notice after every request.
void countEveryRequest()
{
    writeFile("par.txt", "$13:10\r\n$KONFIG.TXT\r\n$RAPORT.TXT\r\n$KOMENT.TXT\r\n$MODKONF.TXT\r\n$ECRTBUF.TXT\r\n$"
            + std::to_string(kMessage) + ":" + std::to_string(kDriver) + "\r\n$T\r\n$N\r\n$T\r\n$1\r\n$0\r\n$0\r\n");
}

// The request count, the first counter line of the run report.
unsigned requestsInRunReport()
{
    const std::string report = readFile("RAPORT.TXT");
    std::size_t at = 0;
    for (int line = 0; line < 3; ++line)
        at = report.find("\r\n", at) + 2;
    return static_cast<unsigned>(std::stoul(report.substr(at + 1)));
}

}

TEST_F(ServerOrdersTest, RequestStoppedByAnOrderIsNotCountedNorPosted)
{
    countEveryRequest();
    startRegister({"--model", "121", "--turnaround", "20"});
    struct Case {
        const char* name;
        bool suspendFirst;
        char order;
        int code;
    };
    const Case cases[] = {
        {"break", false, 'b', 56},
        {"unknown order", false, 'x', 54},
        {"break while suspended", true, 'b', 56},
        {"unknown order while suspended", true, 'x', 54},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t loggedBefore = kelvo::test::logLines(log(), "cmd=").size();
        const std::size_t debugBefore = std::filesystem::exists("debug.txt") ? readFile("debug.txt").size() : 0;
        std::vector<char> heard;
        const auto hear = [&] {
            const char letter = nextFromDriver();
            heard.push_back(letter);
            return letter;
        };
        auto command = std::async(std::launch::async, [] { return ONrKasy("IN;out;par.txt", "unused"); });
        ASSERT_EQ(hear(), 'A');
        // Let a few requests run (each is counted and posted), then order.
        ASSERT_EQ(hear(), 'C');
        ASSERT_EQ(hear(), 'C');
        if (c.suspendFirst) {
            order('s');
            char answer = 0;
            while ((answer = hear()) == 'C') { }
            ASSERT_EQ(answer, 'S');
        }
        order(c.order);
        ASSERT_EQ(command.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_EQ(command.get(), c.code);
        while (const auto message = server_.receive(300))
            if (message->message == kMessage)
                heard.push_back(static_cast<char>(message->lParam & 0xFF));

        const std::size_t logged = kelvo::test::logLines(log(), "cmd=").size() - loggedBefore;
        EXPECT_EQ(requestsInRunReport(), logged) << "the run report counts the requests the register received";
        // A COUNTER may still be on its way when the order is sent; the driver's own log says
        // what it posted before and after it obeyed.
        const std::string debug = readFile("debug.txt").substr(debugBefore);
        const std::size_t obeyed = debug.find(c.order == 'b' ? "wykonal rozkaz BREAK" : "odebral nieznany rozkaz");
        ASSERT_NE(obeyed, std::string::npos) << debug;
        EXPECT_EQ(debug.find("komunikat COUNTER", obeyed), std::string::npos) << "no COUNTER after the order\n" << debug;
        std::size_t posted = 0;
        for (std::size_t at = debug.find("komunikat COUNTER"); at != std::string::npos;
             at = debug.find("komunikat COUNTER", at + 1))
            ++posted;
        EXPECT_EQ(static_cast<std::size_t>(std::count(heard.begin(), heard.end(), 'C')), posted)
                << "every COUNTER logged reached the server, and no other";
        if (c.order == 'b') {
            EXPECT_EQ(std::count(heard.begin(), heard.end(), 'B'), 1);
        }
    }
}

TEST_F(ServerOrdersTest, SuspendedDriverResumesWhenItsServerHasGone)
{
    startRegister({"--model", "121", "--turnaround", "20"});
    auto command = std::async(std::launch::async, [] { return ONrKasy("IN;out;par.txt", "unused"); });
    ASSERT_EQ(nextFromDriver(), 'A');
    // A server of its own that suspends the driver and then dies without a word.
    const pid_t server = ::fork();
    if (server == 0) {
        MessageBus mine;
        if (mine.join())
            mine.broadcast({kMessage, kDriver, static_cast<std::uint32_t>('s')});
        ::usleep(300000);
        ::_exit(0);  // the socket file stays behind, nobody listens on it
    }
    ASSERT_GT(server, 0);
    char answer = 0;
    while ((answer = nextFromDriver()) == 's') { }  // the dying server's order, heard here too
    ASSERT_EQ(answer, 'S');
    EXPECT_EQ(command.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout) << "suspended";
    int status = 0;
    ASSERT_EQ(::waitpid(server, &status, 0), server);
    // The driver notices within its check interval (a second) and goes on.
    ASSERT_EQ(command.wait_for(std::chrono::seconds(15)), std::future_status::ready);
    EXPECT_EQ(command.get(), 0) << readFile("RAPORT.TXT");
    EXPECT_TRUE(readFile("out").ends_with("\r\n$01\r\n"));
    EXPECT_NE(readFile("debug.txt").find("zniknal"), std::string::npos);
}
