// The simulator on a real pseudo-terminal, TCP and UDP, with a test client
// at the other end.
#include "line_client.h"
#include "simulator/converter.h"
#include "simulator/converter_frame.h"
#include "simulator/listener.h"
#include "simulator/register.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

namespace kelvo::sim {
namespace {

using namespace std::chrono_literals;
using test::LineClient;

Scenario smallScenario(std::vector<std::string> faults = {})
{
    Scenario s;
    s.deviceCode = 121;
    s.clock = DateTime{{2012, 1, 16}, {14, 30}};
    Record r;
    r.type = RecordType::DailyReport;
    r.date = {2012, 1, 2};
    r.number = 1;
    s.records.push_back(r);
    for (const auto& f : faults) s.faults.push_back(parseFault(f));
    return s;
}

std::string tempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))).string();
}

// Runs a listener on its own thread until the test ends.
class Running {
public:
    Running(ListenerOptions options, Responder& responder, RequestLog& log) : listener(options, responder, log)
    {
        done = std::async(std::launch::async, [this] { listener.run(stop); });
    }
    ~Running()
    {
        stop = true;
        done.wait_for(5s);
    }
    // True when run() came back by itself within the time.
    bool endsWithin(std::chrono::milliseconds time) { return done.wait_for(time) == std::future_status::ready; }

    std::atomic<bool> stop{false};
    Listener listener;
    std::future<void> done;
};

TEST(PtyListener, RequestAndAnswerOverARealPseudoTerminal)
{
    RequestLog log;
    Register reg(smallScenario(), log);
    ListenerOptions options;
    options.ptyPath = tempPath("kelvosim-pty");
    Running running(options, reg, log);
    ASSERT_TRUE(std::filesystem::is_symlink(*options.ptyPath));

    for (int client = 0; client < 2; ++client) {
        LineClient line = LineClient::openPath(*options.ptyPath);
        ASSERT_TRUE(line.valid());
        ASSERT_TRUE(line.send({kEsc, 254}));
        EXPECT_EQ(toHex(line.receive(4)), "06 79 03 41");
        // First answer, then the data, then the record.
        ASSERT_TRUE(line.send({kEsc, 154}));
        EXPECT_EQ(toHex(line.receive(1)), "06");
        ASSERT_TRUE(line.send({0, 0}));
        const Bytes record = line.receive(63);
        ASSERT_EQ(record.size(), 63u);
        EXPECT_EQ(record[0], 0x7C);
        line.close();
        std::this_thread::sleep_for(50ms);
    }
}

TEST(PtyListener, OnceEndsWhenTheClientHasGone)
{
    RequestLog log;
    Register reg(smallScenario(), log);
    ListenerOptions options;
    options.ptyPath = tempPath("kelvosim-once");
    options.once = true;
    Running running(options, reg, log);
    EXPECT_FALSE(running.endsWithin(100ms));
    {
        LineClient line = LineClient::openPath(*options.ptyPath);
        ASSERT_TRUE(line.send({kEsc, 255}));
        EXPECT_EQ(toHex(line.receive(2)), "06 79");
    }
    EXPECT_TRUE(running.endsWithin(3s));
}

TEST(PtyListener, HangUpMidAnswerThenANewLineBehindTheSameName)
{
    RequestLog log;
    Register reg(smallScenario({"hang-up:154:5:1"}), log);
    ListenerOptions options;
    options.ptyPath = tempPath("kelvosim-hangup");
    Running running(options, reg, log);

    LineClient line = LineClient::openPath(*options.ptyPath);
    ASSERT_TRUE(line.send({kEsc, 154, 0, 0}));
    EXPECT_EQ(line.receive(64).size(), 5u);
    EXPECT_TRUE(line.closed);

    // The new line comes up behind the same name a moment after the old one
    // dropped (it may even get the same pseudo-terminal number).
    std::string answer;
    for (int attempt = 0; attempt < 20 && answer != "06 79"; ++attempt) {
        std::this_thread::sleep_for(50ms);
        LineClient again = LineClient::openPath(*options.ptyPath);
        if (again.send({kEsc, 255}))
            answer = toHex(again.receive(2, 300ms));
    }
    EXPECT_EQ(answer, "06 79");
}

TEST(TcpListener, RequestAndAnswerAndAHalfRequestForgotten)
{
    RequestLog log;
    Register reg(smallScenario(), log);
    ListenerOptions options;
    options.tcp = HostPort{"127.0.0.1", 0};
    options.quietAfter = 50ms;
    Running running(options, reg, log);
    ASSERT_NE(running.listener.tcpPort(), 0);

    LineClient line = LineClient::connectTcp(running.listener.tcpPort());
    ASSERT_TRUE(line.valid());
    ASSERT_TRUE(line.send({kEsc, 53}));
    EXPECT_EQ(toHex(line.receive(11)), "06 01 02 00 01 01 06 01 04 03 00");
    // A record read whose index never comes is dropped after the quiet time.
    ASSERT_TRUE(line.send({kEsc, 154}));
    EXPECT_EQ(toHex(line.receive(1)), "06");
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(line.send({kEsc, 255}));
    EXPECT_EQ(toHex(line.receive(2)), "06 79");
}

TEST(TcpListener, ConverterFramesOverTcp)
{
    RequestLog log;
    Register reg(smallScenario(), log);
    Converter converter(reg, log);
    ListenerOptions options;
    options.tcp = HostPort{"127.0.0.1", 0};
    options.once = true;
    Running running(options, converter, log);

    LineClient line = LineClient::connectTcp(running.listener.tcpPort());
    const Bytes frame = packFrame(Bytes{0x20, 4, 0, 0, kEsc, 254});
    ASSERT_TRUE(line.send(frame));
    const Bytes head = line.receive(7);
    ASSERT_EQ(head.size(), 7u);
    const std::size_t n = (head[6] & 0x7F) | ((head[5] & 0x40) ? 0x80 : 0);
    Bytes answer = head;
    const Bytes rest = line.receive(n + 5 - 7);
    answer.insert(answer.end(), rest.begin(), rest.end());
    EXPECT_EQ(answer, packFrame(Bytes{0x00, kAck, 121, 3, 'A'}));
    line.close();
    EXPECT_TRUE(running.endsWithin(3s));
}

TEST(TcpListener, LineSpeedAndTurnaroundTakeTheirTime)
{
    RequestLog log;
    Register reg(smallScenario(), log);
    ListenerOptions options;
    options.tcp = HostPort{"127.0.0.1", 0};
    options.timing.baud = 9600;
    options.timing.turnaround = 30ms;
    Running running(options, reg, log);

    LineClient line = LineClient::connectTcp(running.listener.tcpPort());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.send({kEsc, 29, 3, 0}));
    EXPECT_EQ(line.receive(132).size(), 132u);
    const auto took = std::chrono::steady_clock::now() - start;
    // Two answers: 2 x 30 ms turnaround, and 132 bytes at 9600 bit/s take 137.5 ms.
    EXPECT_GE(took, 60ms + lineTime(132, 9600) - 2ms);
    EXPECT_EQ(lineTime(960, 9600), 1s);
}

TEST(TcpListener, RequestArrivesAtLineSpeedBeforeTheRegisterAnswers)
{
    RequestLog log;
    Register reg(smallScenario(), log);
    ListenerOptions options;
    options.tcp = HostPort{"127.0.0.1", 0};
    options.timing.baud = 300;
    Running running(options, reg, log);

    LineClient line = LineClient::connectTcp(running.listener.tcpPort());
    // Both bytes of the request go out in one write; on the line the second
    // one is complete only after 2 x 33.3 ms, and only then does the answer
    // start.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.send({kEsc, 254}));
    EXPECT_EQ(toHex(line.receive(1)), "06");
    EXPECT_GE(std::chrono::steady_clock::now() - start, lineTime(2, 300) - 2ms);
    EXPECT_EQ(toHex(line.receive(3)), "79 03 41");
}

TEST(UdpResponder, NetworkSerialServerCommands)
{
    RequestLog log;
    Register reg(smallScenario(), log);
    ListenerOptions options;
    options.tcp = HostPort{"127.0.0.1", 0};
    options.udp = HostPort{"127.0.0.1", 0};
    Running running(options, reg, log);

    LineClient udp = LineClient::connectTcp(running.listener.udpPort(), SOCK_DGRAM);
    ASSERT_TRUE(udp.valid());
    for (const char* text : {"R", "PS11", "PS31", "PS00", "PBR3", "PBR11", "PBR12", "X"}) {
        const std::string_view t(text);
        ASSERT_TRUE(udp.send(std::span(reinterpret_cast<const std::uint8_t*>(t.data()), t.size())));
        const Bytes answer = udp.receive(1);
        ASSERT_EQ(answer.size(), 1u) << text;
        const bool accepted = t == "R" || t == "PS11" || t == "PS00" || t == "PBR3" || t == "PBR11";
        EXPECT_EQ(answer[0], accepted ? 'A' : 'E') << text;
    }
}

TEST(NetSerial, SpeedsAndLines)
{
    NetSerialState state;
    EXPECT_EQ(answerNetSerial("PBR4", state), 'A');
    EXPECT_EQ(state.speed, 19200u);
    EXPECT_EQ(answerNetSerial("PBR10", state), 'A');
    EXPECT_EQ(state.speed, 600u);
    EXPECT_EQ(answerNetSerial("PBR03", state), 'E');
    EXPECT_EQ(answerNetSerial("PS01", state), 'A');
    EXPECT_EQ(state.lines, 1);
    EXPECT_EQ(answerNetSerial("PS11", state), 'A');
    EXPECT_EQ(state.lines, 3);
    EXPECT_EQ(answerNetSerial("R", state), 'A');
    EXPECT_EQ(state.lines, 0);
    EXPECT_EQ(answerNetSerial("", state), 'E');
}

TEST(Program, RunsOnceOverTcpAndLogsTheRequests)
{
    const std::string logPath = tempPath("kelvosim-program-log");
    std::filesystem::remove(logPath);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args{KELVOSIM_PATH, "--tcp", "127.0.0.1:0", "--once", "--model", "107",
                                  "--log", logPath, "--fault", "nak:192:1"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, KELVOSIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    // The port is on the "listening on tcp" line.
    std::string printed;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (printed.find("listening on tcp") == std::string::npos || printed.back() != '\n') {
        if (std::chrono::steady_clock::now() > deadline) break;
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        printed.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t colon = printed.rfind(':');
    ASSERT_NE(colon, std::string::npos) << printed;
    const auto port = static_cast<std::uint16_t>(std::stoi(printed.substr(colon + 1)));
    {
        LineClient line = LineClient::connectTcp(port);
        ASSERT_TRUE(line.send({kEsc, 192}));
        EXPECT_EQ(toHex(line.receive(1)), "15");
        ASSERT_TRUE(line.send({kEsc, 192}));
        EXPECT_EQ(toHex(line.receive(3)), "06 30 31");
    }
    int status = -1;
    for (int k = 0; k < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++k) std::this_thread::sleep_for(50ms);
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "kelvosim --once did not end";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    char rest[256];
    for (ssize_t n = 0; (n = ::read(out[0], rest, sizeof rest)) > 0;)
        printed.append(rest, static_cast<std::size_t>(n));
    ::close(out[0]);
    EXPECT_NE(printed.find("kelvosim: 4 bytes received, 4 bytes sent\n"), std::string::npos) << printed;

    std::ifstream in(logPath);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "cmd=192 data=[] answer=[15] fault=nak");
    EXPECT_EQ(second, "cmd=192 data=[] answer=[06 30 31]");
    std::filesystem::remove(logPath);
}

}
}
