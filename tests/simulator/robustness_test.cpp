// Whatever bytes a client sends, the simulator answers or ignores them, and
// still serves the next proper request.
#include "exchange.h"
#include "line_client.h"
#include "simulator/converter.h"
#include "simulator/converter_frame.h"
#include "simulator/listener.h"
#include "simulator/register.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <random>

namespace kelvo::sim {
namespace {

using test::talk;

Bytes randomBytes(std::mt19937& random, std::size_t count)
{
    Bytes bytes(count);
    for (auto& b : bytes) {
        // Plenty of ESC so that random commands and their data get exercised.
        const auto r = random();
        b = (r % 5 == 0) ? kEsc : static_cast<std::uint8_t>(r >> 8);
    }
    return bytes;
}

Scenario scenarioWithFaults(std::uint8_t code)
{
    Scenario s;
    s.deviceCode = code;
    s.clock = DateTime{{2012, 1, 16}, {14, 30}};
    Record r;
    r.type = RecordType::DailyReport;
    r.date = {2012, 1, 2};
    r.number = 1;
    s.records.push_back(r);
    for (const char* f : {"garbage:53:3:50", "drop:154:2:50", "status:157:134:50", "bad-checksum:0:vary", "nak:91:50"})
        s.faults.push_back(parseFault(f));
    return s;
}

TEST(Robustness, RandomBytesIntoEveryModelRow)
{
    std::mt19937 random(2024);
    RequestLog log;
    for (const ModelRowCodes& row : modelRows()) {
        const std::uint8_t code = row.codes.empty() ? 200 : row.codes.back();
        Register reg(scenarioWithFaults(code), log);
        const auto out = talk(reg, randomBytes(random, 40000));
        EXPECT_FALSE(out.bytes.empty()) << int(code);
        reg.lineQuiet();
        EXPECT_EQ(toHex(talk(reg, {kEsc, 255}).bytes), toHex(Bytes{kAck, code})) << int(code);
    }
}

TEST(Robustness, RandomBytesAndFramesIntoTheConverter)
{
    std::mt19937 random(7);
    RequestLog log;
    Scenario s = scenarioWithFaults(121);
    s.faults.push_back(parseFault("converter-parts:3"));
    Register reg(s, log);
    Converter converter(reg, log);
    std::size_t answered = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes payload = randomBytes(random, random() % 40);
        if (!payload.empty() && random() % 2) payload[0] |= 0x20;  // a register transaction now and then
        answered += talk(converter, packFrame(payload)).bytes.empty() ? 0 : 1;
        talk(converter, randomBytes(random, random() % 20));
    }
    EXPECT_GT(answered, 1000u);
    converter.lineQuiet();
    reg.lineQuiet();
    const Bytes answer = talk(converter, packFrame(Bytes{0x20, 2, 0, 0, kEsc, 255})).bytes;
    EXPECT_EQ(unpackLine(std::span(answer).subspan(5)).at(2), kAck);
}

TEST(Robustness, RandomBytesOverThePseudoTerminal)
{
    RequestLog log;
    Register reg(scenarioWithFaults(121), log);
    ListenerOptions options;
    options.ptyPath = (std::filesystem::temp_directory_path() / ("kelvosim-fuzz-" + std::to_string(::getpid()))).string();
    options.quietAfter = std::chrono::milliseconds(50);
    std::atomic<bool> stop{false};
    Listener listener(options, reg, log);
    auto done = std::async(std::launch::async, [&] { listener.run(stop); });

    auto line = test::LineClient::openPath(*options.ptyPath);
    ASSERT_TRUE(line.valid());
    std::mt19937 random(99);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(line.send(randomBytes(random, 500)));
        line.receive(100000, std::chrono::milliseconds(20));
    }
    line.receive(100000, std::chrono::milliseconds(300));  // let the half request be forgotten
    ASSERT_TRUE(line.send({kEsc, 254}));
    EXPECT_EQ(toHex(line.receive(4)), "06 79 03 41");
    stop = true;
    EXPECT_EQ(done.wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

}
}
