#include <kelvo/kelvodrv.h>

#include <future>

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
