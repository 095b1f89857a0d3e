// A link whose far end goes away: a kept-open port that hung up is opened
// again by the next command, and a simulator killed, stopped or hanging up
// in the middle of a long report ends the command with its code, within its
// time-out, with the port released and the code in the run report.
#include <kelvo/kelvodrv.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>

#include "tests/driver/register_fixture.h"
#include "tests/support/process_figures.h"

using kelvo::drv::ctx;
using kelvo::test::openDescriptorCount;
using kelvo::test::readFile;
using kelvo::test::SimulatorProcess;
using kelvo::test::writeFile;

namespace {

const std::string kReadOnlyMemory =
    (std::filesystem::path(__FILE__).parent_path() / "../../../simulator/scenarios/orvan-read-only.json").string();

std::string tcpConfiguration(int port)
{
    return "$1\tCOM1:9600:MUX5:1\t2\tNET\tx:1:127.0.0.1:" + std::to_string(port) + ":ABCDEFGH:2:3\r\n";
}

class LinkRecoveryTest : public kelvo::test::RegisterTest {
protected:
    void TearDown() override
    {
        UstawienieFunkcjiPostepuOdczytu(nullptr, nullptr);
        UstawieniePozostawiacOtwartyPortSzeregowy(0);
        tcp_.reset();
        RegisterTest::TearDown();
    }

    void startTcp(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"--tcp", "127.0.0.1:0", "--converter", "--log", log()});
        tcp_ = std::make_unique<SimulatorProcess>(KELVOSIM_PATH, arguments, dir_.file("tcp.out"));
        ASSERT_TRUE(tcp_->listening()) << readFile(dir_.file("tcp.out"));
        writeFile("KONFIG.TXT", tcpConfiguration(tcp_->tcpPort()));
    }

    std::unique_ptr<SimulatorProcess> tcp_;
};

// What the test does to the simulator once the report has read some records.
enum class Blow { Kill, Stop };

struct Interruption {
    pid_t simulator;
    Blow blow;
    bool done = false;
};

void interruptAfterFiftyRecords(void* context, std::uint32_t recordsRead, std::uint32_t)
{
    auto& interruption = *static_cast<Interruption*>(context);
    if (interruption.done || recordsRead < 50)
        return;
    interruption.done = true;
    ::kill(interruption.simulator, interruption.blow == Blow::Kill ? SIGKILL : SIGSTOP);
}

struct Outcome {
    int code;
    std::chrono::milliseconds took;
};

// The settlement report of the whole memory, which reads every record.
Outcome longReport()
{
    writeFile("in", "#1\r\n#\r\n#\r\n$8\r\n");
    const auto start = std::chrono::steady_clock::now();
    const int code = X000028X("in", "report.txt");
    return {code, std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)};
}

}

TEST_F(LinkRecoveryTest, KeptOpenPortIsOpenedAgainAfterAHangUp)
{
    UstawieniePozostawiacOtwartyPortSzeregowy(1);
    startRegister({"--model", "121"});
    ASSERT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");
    ASSERT_TRUE(ctx.link.open) << "the port is kept open between commands";

    // The far end is restarted on the same link path between two commands.
    simulator_.reset();
    startRegister({"--model", "121"});
    EXPECT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");

    // The line hangs up inside a command: that command fails, the next one
    // finds the port closed and opens it again.
    simulator_.reset();
    startRegister({"--model", "121", "--fault", "hang-up:29:0:1"});
    EXPECT_NE(ONrKasy("IN", "out"), 0);
    EXPECT_FALSE(ctx.link.open) << "a kept-open line that hung up is closed";
    EXPECT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");
    EXPECT_TRUE(ctx.link.open);
}

TEST_F(LinkRecoveryTest, AKeptOpenPortTakesEachCommandsOwnTimeOuts)
{
    UstawieniePozostawiacOtwartyPortSzeregowy(1);
    startRegister({"--model", "121"});
    ASSERT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");
    EXPECT_EQ(ctx.ports.current().readTimeoutMs, 2000u);

    // The next command's line waits 5 s: the port kept open waits as long as an open for it would.
    writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX0:1\t5\tKELVO\r\n");
    ASSERT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");
    ASSERT_TRUE(ctx.link.open);
    EXPECT_EQ(ctx.ports.current().readTimeoutMs, 5000u);
    EXPECT_EQ(ctx.ports.current().writeTimeoutMs, 5000u);
}

TEST_F(LinkRecoveryTest, KeptOpenTcpLinkIsOpenedAgainAfterTheFarEndRestarted)
{
    UstawieniePozostawiacOtwartyPortSzeregowy(1);
    startTcp({"--model", "121"});
    ASSERT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");
    ASSERT_TRUE(ctx.link.open);
    startTcp({"--model", "121"});
    EXPECT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");
}

TEST_F(LinkRecoveryTest, SimulatorKilledStoppedOrHangingUpInALongReport)
{
    const std::vector<std::string> memory {"--scenario", kReadOnlyMemory, "--generate", "2", "--records", "600"};
    // The time-out is 2 s on both links; a command may take a few of them
    // (a request asked again after a bad answer), so the bound is generous.
    const auto bound = std::chrono::seconds(20);
    const std::size_t descriptors = openDescriptorCount();

    struct Case {
        const char* name;
        bool tcp;
        std::optional<Blow> blow;  // nothing: the simulator hangs up by itself
        std::set<int> codes;       // a dead line fails the next send (20) or receive (21)
    };
    const Case cases[] = {
        {"pty, killed", false, Blow::Kill, {20, 21}},
        {"pty, stopped", false, Blow::Stop, {21}},
        {"pty, hanging up", false, std::nullopt, {20, 21}},
        {"tcp, killed", true, Blow::Kill, {65}},
        {"tcp, stopped", true, Blow::Stop, {64}},
        {"tcp, hanging up", true, std::nullopt, {65}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = memory;
        if (!c.blow)
            arguments.insert(arguments.end(), {"--fault", "hang-up:154:5:1"});
        if (c.tcp)
            startTcp(arguments);
        else
            startRegister(arguments);
        SimulatorProcess& simulator = c.tcp ? *tcp_ : *simulator_;
        Interruption interruption {simulator.pid(), c.blow.value_or(Blow::Kill)};
        if (c.blow)
            UstawienieFunkcjiPostepuOdczytu(interruptAfterFiftyRecords, &interruption);

        const Outcome outcome = longReport();
        UstawienieFunkcjiPostepuOdczytu(nullptr, nullptr);
        EXPECT_TRUE(c.codes.contains(outcome.code)) << outcome.code << "\n" << readFile("RAPORT.TXT");
        EXPECT_LT(outcome.took, bound);
        std::printf("%s: %d after %lld ms\n", c.name, outcome.code, static_cast<long long>(outcome.took.count()));
        EXPECT_EQ(interruption.done, c.blow.has_value());
        EXPECT_NE(readFile("RAPORT.TXT").find("\r\n#" + std::to_string(outcome.code) + "\r\n"), std::string::npos)
            << readFile("RAPORT.TXT");
        EXPECT_FALSE(ctx.link.open) << "the port is released";
        EXPECT_EQ(openDescriptorCount(), descriptors);
        if (c.tcp)
            tcp_.reset();
        else
            simulator_.reset();
    }
}
