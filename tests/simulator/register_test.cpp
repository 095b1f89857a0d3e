// The register's side of the byte protocol, driven in-process.
#include "exchange.h"
#include "simulator/register.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kelvo::sim {
namespace {

using test::talk;

Record daily(std::uint16_t number)
{
    Record r;
    r.type = RecordType::DailyReport;
    r.date = {2012, 1, static_cast<int>(number)};
    r.number = number;
    r.amounts[0] = 100 * number;
    return r;
}

Scenario scenarioFor(std::uint8_t code)
{
    Scenario s;
    s.deviceCode = code;
    s.clock = DateTime{{2012, 1, 16}, {14, 30}};
    s.header = {{"SKLEP KELVO", false}, {"UL. DLUGA 1", true}};
    s.headerCopy.lastLine = "NIP 123-456-78-90";
    s.headerCopy.readOnlySince = DateTime{{2013, 2, 3}, {4, 5}};
    s.headerCopy.currency = "PLN";
    for (std::uint16_t n = 1; n <= 3; ++n) s.records.push_back(daily(n));
    return s;
}

std::string hexOf(Register& reg, std::initializer_list<std::uint8_t> in)
{
    return toHex(talk(reg, in).bytes);
}

class RegisterTest : public ::testing::Test {
protected:
    Register& make(std::uint8_t code, std::vector<std::string> faults = {})
    {
        Scenario s = scenarioFor(code);
        for (const auto& f : faults) s.faults.push_back(parseFault(f));
        reg = std::make_unique<Register>(s, log);
        return *reg;
    }

    RequestLog log;
    std::unique_ptr<Register> reg;
};

TEST_F(RegisterTest, IdentityRequests)
{
    Register& r = make(121);
    EXPECT_EQ(hexOf(r, {kEsc, 254}), "06 79 03 41");
    EXPECT_EQ(hexOf(r, {kEsc, 255}), "06 79");
    EXPECT_EQ(hexOf(r, {kEsc, 91}), "06 38");  // version 3, fiscal mode
    EXPECT_EQ(hexOf(r, {kEsc, 192}), "06 30 31");
    EXPECT_EQ(toHex(talk(r, {kEsc, 113}).bytes).size(), 12u * 3 - 1);
    EXPECT_EQ(hexOf(r, {kEsc, 111}), "06 40 1F");  // 8000 articles
    EXPECT_EQ(hexOf(r, {kEsc, 53}), "06 01 02 00 01 01 06 01 04 03 00");
    EXPECT_EQ(hexOf(r, {kEsc, 84}), "06 00");
    EXPECT_EQ(hexOf(r, {kEsc, 87}), "06 00");
    EXPECT_EQ(hexOf(r, {kEsc, 83}), "15");  // status group 5 is the Kamet registers'
    EXPECT_EQ(hexOf(r, {kEsc, 200}), "15");
}

TEST_F(RegisterTest, OlderModelsNakTheNewerRequests)
{
    Register& r = make(39);  // a Lunda
    EXPECT_EQ(hexOf(r, {kEsc, 254}), "15");
    EXPECT_EQ(hexOf(r, {kEsc, 29}), "15");
    EXPECT_EQ(hexOf(r, {kEsc, 154}), "15");
    EXPECT_EQ(hexOf(r, {kEsc, 255}), "06 27");
    EXPECT_EQ(hexOf(r, {kEsc, 91}), "06 38");
    // Article probe 172: within, programmed; within, not programmed; beyond.
    EXPECT_EQ(talk(r, {kEsc, 172, 1, 0}).bytes.size(), 1u + 36u);
    EXPECT_EQ(hexOf(r, {kEsc, 172, 0xE8, 0x03}), "06 66");
    EXPECT_EQ(hexOf(r, {kEsc, 172, 0x61, 0x09}), "06 05");
    EXPECT_EQ(hexOf(r, {kEsc, 230, 1, 0}), "15");
    // Barcodes go by 0xED with six bytes on these.
    EXPECT_EQ(hexOf(r, {kEsc, 0xED, 1, 2, 3, 4, 5, 6}), "06 00");
}

TEST_F(RegisterTest, InformationBlocks)
{
    Register& r = make(121);
    const Bytes block0 = talk(r, {kEsc, 29, 3, 0}).bytes;
    ASSERT_EQ(block0.size(), 1u + 131u);
    EXPECT_EQ(block0[1], 0);       // status
    const std::uint8_t* b = &block0[3];
    EXPECT_EQ(b[0], 121);
    EXPECT_EQ(b[1], 3);
    EXPECT_EQ(b[2], 'A');
    EXPECT_EQ(b[21], 40);
    EXPECT_EQ(b[23], 6);
    EXPECT_EQ(b[30] * 256 + b[31], 2060);
    EXPECT_EQ(b[32], 63);
    EXPECT_EQ(b[33] * 256 + b[34], 256);
    EXPECT_EQ(b[72], 1);           // 131072 bytes

    const Bytes block1 = talk(r, {kEsc, 29, 3, 1}).bytes;
    EXPECT_EQ(std::string(block1.begin() + 3, block1.begin() + 3 + 24), "Orvan 121               ");
    EXPECT_EQ(block1[3 + 48], 1);

    const Bytes block128 = talk(r, {kEsc, 29, 3, 128}).bytes;
    EXPECT_EQ(std::string(block128.begin() + 4, block128.begin() + 6), "01");
    EXPECT_EQ(std::string(block128.begin() + 24, block128.begin() + 36), "KLV 00121001");
    EXPECT_EQ(hexOf(r, {kEsc, 29, 3, 7}), "06 01");
}

TEST_F(RegisterTest, UniqueNumberLengthFollowsTheModel)
{
    Scenario s = scenarioFor(101);  // version 1 'A': twelve characters
    s.uniqueNumber = "ABC123456789";
    Register twelve(s, log);
    EXPECT_EQ(talk(twelve, {kEsc, 113}).bytes.size(), 13u);
    s.deviceCode = 120;
    Register eleven(s, log);
    const Bytes answer = talk(eleven, {kEsc, 113}).bytes;
    EXPECT_EQ(std::string(answer.begin() + 1, answer.end()), "ABC12345678");
}

TEST_F(RegisterTest, HeaderLines)
{
    Register& r = make(121);
    const Bytes normal = talk(r, {kEsc, 157, 1}).bytes;
    ASSERT_EQ(normal.size(), 1u + 42u);
    EXPECT_EQ(normal[1], 0);
    EXPECT_EQ(normal[2], 0);
    EXPECT_EQ(std::string(normal.begin() + 3, normal.begin() + 14), "SKLEP KELVO");
    const Bytes wide = talk(r, {kEsc, 157, 2}).bytes;
    EXPECT_EQ(wide[2], 1);
    EXPECT_EQ(hexOf(r, {kEsc, 157, 7}), "06 01");

    Register& saska = make(43);
    EXPECT_EQ(talk(saska, {kEsc, 157, 1}).bytes.size(), 1u + 42u);

    // Without header line requests the first answer refuses them.
    Scenario s = scenarioFor(121);
    s.headerRequest = false;
    Register refusing(s, log);
    EXPECT_EQ(hexOf(refusing, {kEsc, 157, 1}), "01");
    EXPECT_EQ(hexOf(refusing, {kEsc, 91}), "06 38") << "the data byte after the refusal is not taken for a command";
}

TEST_F(RegisterTest, RecordReadsAndHeaderCopy)
{
    Register& r = make(121);
    const Bytes first = talk(r, {kEsc, 154, 0, 0}).bytes;
    ASSERT_EQ(first.size(), 64u);
    EXPECT_EQ(first[0], kAck);
    EXPECT_EQ(first[1], 0x7C);
    EXPECT_EQ(first[3], 0x12);  // year 2012, BCD
    const Bytes empty = talk(r, {kEsc, 154, 3, 0}).bytes;
    EXPECT_EQ(empty[1], 0xFF);

    // The header copy starts at record (131072 - 256) div 63 = 2076.
    EXPECT_EQ(r.memory().headerCopyStart(), 2076u);
    Bytes copy;
    for (std::uint16_t index = 2076; index <= 2080; ++index) {
        const Bytes a = talk(r, {kEsc, 154, static_cast<std::uint8_t>(index & 0xFF), static_cast<std::uint8_t>(index >> 8)}).bytes;
        copy.insert(copy.end(), a.begin() + 1, a.end());
    }
    EXPECT_EQ(std::string(copy.begin() + 133, copy.begin() + 150), "NIP 123-456-78-90");
    EXPECT_EQ(toHex(std::span(copy).subspan(183, 10)), "01 03 00 02 00 03 00 04 00 05");
    EXPECT_EQ(copy[194], 0x02);
    EXPECT_EQ(std::string(copy.begin() + 242, copy.begin() + 245), "PLN");
}

TEST_F(RegisterTest, WrongChecksumForTheFirstReadsThenRight)
{
    Register& r = make(121, {"bad-checksum:1:2"});
    const Bytes good = Register(scenarioFor(121), log).memory().read(1);
    const Bytes a = talk(r, {kEsc, 154, 1, 0}).bytes;
    const Bytes b = talk(r, {kEsc, 154, 1, 0}).bytes;
    const Bytes c = talk(r, {kEsc, 154, 1, 0}).bytes;
    EXPECT_NE(a.back(), good.back());
    EXPECT_EQ(a, b);  // the same wrong value twice
    EXPECT_EQ(Bytes(c.begin() + 1, c.end()), good);
}

TEST_F(RegisterTest, WrongChecksumDifferentOnEachRead)
{
    Register& r = make(121, {"bad-checksum:2:vary"});
    const Bytes a = talk(r, {kEsc, 154, 2, 0}).bytes;
    const Bytes b = talk(r, {kEsc, 154, 2, 0}).bytes;
    const Bytes c = talk(r, {kEsc, 154, 2, 0}).bytes;
    EXPECT_NE(a.back(), b.back());
    EXPECT_NE(b.back(), c.back());
    EXPECT_NE(a.back(), c.back());
}

TEST_F(RegisterTest, NakAndSilentFaultsCountTheirUses)
{
    Register& r = make(121, {"nak:254:1", "silent:53:1"});
    EXPECT_EQ(hexOf(r, {kEsc, 254}), "15");
    EXPECT_EQ(hexOf(r, {kEsc, 254}), "06 79 03 41");
    EXPECT_EQ(hexOf(r, {kEsc, 53}), "");
    EXPECT_EQ(talk(r, {kEsc, 53}).bytes.size(), 11u);
    // Silence on a command that waits for data ends the request at once.
    Register& s = make(121, {"silent:154:1"});
    EXPECT_EQ(hexOf(s, {kEsc, 154}), "");
    EXPECT_TRUE(s.idle());
}

TEST_F(RegisterTest, StatusFaultAndTheRegisterErrorFetch)
{
    Scenario s = scenarioFor(121);
    s.faults.push_back(parseFault("status:157:134"));
    s.registerError = 0x1234;
    Register r(s, log);
    EXPECT_EQ(hexOf(r, {kEsc, 157, 1}), "06 86");
    // Sub-request 1: high byte and the length of sub-request 2's answer; sub-request 2: low byte.
    EXPECT_EQ(hexOf(r, {kEsc, 29, 1}), "06 00 12 01");
    EXPECT_EQ(hexOf(r, {kEsc, 29, 2}), "06 00 34");

    Register& first = make(121, {"status:84:1", "status:154:200", "status:230:122"});
    EXPECT_EQ(hexOf(first, {kEsc, 84}), "01");
    EXPECT_EQ(hexOf(first, {kEsc, 154}), "C8");
    EXPECT_TRUE(first.idle());
    Register& probe = make(36, {"status:172:122"});
    EXPECT_EQ(hexOf(probe, {kEsc, 172, 1, 0}), "06 7A 00 00");
}

TEST_F(RegisterTest, GarbageDropAndHangUp)
{
    Register& g = make(121, {"garbage:255:3:1"});
    const Bytes noisy = talk(g, {kEsc, 255}).bytes;
    ASSERT_EQ(noisy.size(), 5u);
    EXPECT_EQ(toHex(std::span(noisy).subspan(3)), "06 79");

    Register& d = make(121, {"drop:254:1"});
    EXPECT_EQ(hexOf(d, {kEsc, 254}), "06 03 41");

    Register& h = make(121, {"hang-up:154:10"});
    const auto cut = talk(h, {kEsc, 154, 0, 0});
    EXPECT_TRUE(cut.hangUp);
    EXPECT_EQ(cut.bytes.size(), 10u);
    Register& early = make(121, {"hang-up:154:0"});
    const auto none = talk(early, {kEsc, 154});
    EXPECT_TRUE(none.hangUp);
    EXPECT_TRUE(none.bytes.empty());
}

TEST_F(RegisterTest, ChannelRequestAndNoise)
{
    Register& r = make(121);
    EXPECT_EQ(hexOf(r, {0x00, 0x41, 0xFF}), "");  // noise between requests
    EXPECT_EQ(hexOf(r, {kEsc, 1, 3}), "");
    EXPECT_EQ(r.channel(), 3);
    EXPECT_EQ(hexOf(r, {kEsc, 0x8D, 1, 2, 3, 4, 5, 6, 7}), "06");
    EXPECT_FALSE(r.idle());
    r.lineQuiet();  // the eighth byte never came
    EXPECT_TRUE(r.idle());
    EXPECT_EQ(hexOf(r, {kEsc, 255}), "06 79");
}

TEST_F(RegisterTest, EveryRowOfTheModelTableCanBePlayed)
{
    for (const ModelRowCodes& row : modelRows()) {
        const std::uint8_t code = row.codes.empty() ? 150 : row.codes.front();
        Register r(scenarioFor(code), log);
        EXPECT_EQ(r.profile().row, row.row) << int(code);
        EXPECT_EQ(hexOf(r, {kEsc, 255}), toHex(Bytes{kAck, code})) << int(code);
        const Bytes identity = talk(r, {kEsc, 254}).bytes;
        EXPECT_EQ(identity.size(), code >= 100 ? 4u : 1u) << int(code);
    }
    EXPECT_EQ(profileFor(132).row, ModelRow::Pelun);
    EXPECT_EQ(profileFor(133).headerLines, 5);
    EXPECT_EQ(profileFor(126).headerLines, 6);
    EXPECT_EQ(profileFor(28).headerLines, 4);
    EXPECT_TRUE(profileFor(116).crcRecords);
    EXPECT_FALSE(profileFor(120).crcRecords);
    EXPECT_TRUE(profileFor(136).familyB);
}

TEST_F(RegisterTest, GeometryOnlyForModelsThatReportIt)
{
    Scenario s = scenarioFor(107);
    s.geometry = Geometry{262144, 4000, 63, 256};
    EXPECT_THROW(Register(s, log), ScenarioError);
    s.deviceCode = 121;
    Register big(s, log);
    const Bytes block0 = talk(big, {kEsc, 29, 3, 0}).bytes;
    EXPECT_EQ(block0[3 + 30] * 256 + block0[3 + 31], 4000);
    EXPECT_EQ(block0[3 + 72], 3);
}

TEST_F(RegisterTest, RequestLogHasOneLinePerRequest)
{
    const auto path = std::filesystem::temp_directory_path() / ("kelvosim-log-" + std::to_string(::getpid()) + ".txt");
    std::filesystem::remove(path);
    {
        RequestLog fileLog(path.string());
        Scenario s = scenarioFor(121);
        s.faults.push_back(parseFault("nak:91:1"));
        Register r(s, fileLog);
        talk(r, {kEsc, 154, 1, 0, kEsc, 91, kEsc, 1, 2});
    }
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::filesystem::remove(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("cmd=154 data=[01 00] answer=[06] [7C 7C 12 01 02 02 00")) << lines[0];
    EXPECT_EQ(lines[1], "cmd=91 data=[] answer=[15] fault=nak");
    EXPECT_EQ(lines[2], "cmd=1 data=[02] answer=[]");
}

}
}
