#include "driver/transport/port_layer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <termios.h>

#include "kelvo/kelvodrv.h"
#include "tests/driver/context_fixture.h"
#include "tests/support/pty_pair.h"

using namespace kelvo::drv;
using kelvo::test::PtyPair;
using kelvo::test::ScopedEnv;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned char kPort = 57;  // a port number no machine maps by chance

template <typename Call>
Clock::duration timed(Call call)
{
    const auto start = Clock::now();
    call();
    return Clock::now() - start;
}

// COM57 is a pseudo-terminal whose master side the test holds; the user's
// own settings files are kept out of the way.
class PortLayerTest : public kelvo::test::DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        SetPortDelay(0);
    }

    void TearDown() override
    {
        for (unsigned char selector : {1, 2}) {
            SetComSelector(selector);
            UnInitializePort();
        }
        DriverTest::TearDown();
    }

    // Reads until a byte comes or a second has passed (the pseudo-terminal
    // hands bytes over asynchronously), whatever the port's read time-out.
    bool readWithin(unsigned char& byte)
    {
        const auto deadline = Clock::now() + 1s;
        while (Clock::now() < deadline)
            if (ReadByte(&byte) == 1)
                return true;
        return false;
    }

    PtyPair pty_;
    ScopedEnv config_ {"XDG_CONFIG_HOME", dir_.path()};
    ScopedEnv com_ {"KELVO_COM" + std::to_string(kPort), pty_.slavePath()};
    ScopedEnv vspFile_ {"KELVO_VSP_FILE", dir_.file("vsp.conf")};
};

}

TEST(PortLayerRules, CharSentPauseCoversOneCharacterAtTheSpeed)
{
    EXPECT_EQ(charSentPauseMs(300), 64u);
    EXPECT_EQ(charSentPauseMs(600), 32u);
    EXPECT_EQ(charSentPauseMs(1200), 16u);
    EXPECT_EQ(charSentPauseMs(2400), 8u);
    EXPECT_EQ(charSentPauseMs(4800), 4u);
    EXPECT_EQ(charSentPauseMs(9600), 2u);
    EXPECT_EQ(charSentPauseMs(14400), 2u);
    for (const std::uint32_t other : {0u, 110u, 19200u, 28800u, 57600u, 115200u})
        EXPECT_EQ(charSentPauseMs(other), 1u) << other;
}

TEST(PortLayerRules, MultiplexerChannelsAndLineErrors)
{
    ASSERT_TRUE(multiplexerLines(1) && multiplexerLines(2) && multiplexerLines(3) && multiplexerLines(4));
    EXPECT_FALSE(multiplexerLines(1)->dtr);
    EXPECT_TRUE(multiplexerLines(1)->rts);
    EXPECT_TRUE(multiplexerLines(2)->dtr && multiplexerLines(2)->rts);
    EXPECT_FALSE(multiplexerLines(3)->dtr || multiplexerLines(3)->rts);
    EXPECT_TRUE(multiplexerLines(4)->dtr);
    EXPECT_FALSE(multiplexerLines(4)->rts);
    EXPECT_FALSE(multiplexerLines(0));
    EXPECT_FALSE(multiplexerLines(5));

    const LineErrorFlags none = lineErrorsBetween({3, 4, 5}, {3, 4, 5});
    EXPECT_FALSE(none.overrun || none.parity || none.framing);
    const LineErrorFlags parity = lineErrorsBetween({3, 4, 5}, {3, 6, 5});
    EXPECT_TRUE(parity.parity);
    EXPECT_FALSE(parity.overrun || parity.framing);
    const LineErrorFlags both = lineErrorsBetween({3, 4, 5}, {4, 4, 9});
    EXPECT_TRUE(both.overrun && both.framing);
    EXPECT_FALSE(both.parity);

    EXPECT_EQ(portDeviceName("COM", 3), R"(\\.\COM3)");
    EXPECT_EQ(portDeviceName("LPT", 1), R"(\\.\LPT1)");
}

TEST_F(PortLayerTest, OpensThroughThePortMapAndMovesBytesBothWays)
{
    ctx.link.ctsFlow = true;
    ASSERT_EQ(InitializePort(kPort, 19200, 1, 1), 0);
    const PortRecord& port = ctx.ports.current();
    EXPECT_EQ(port.deviceName, R"(\\.\COM57)");
    EXPECT_TRUE(port.ctsFlow) << "the link's CTS flag";
    EXPECT_EQ(port.parity, 2) << "even parity";
    EXPECT_EQ(port.stopBits, 0u);
    EXPECT_EQ(port.byteSize, 8u);
    EXPECT_GE(GetCOMHandle(1), 3);
    EXPECT_EQ(GetSpeed(1), 19200);
    unsigned char number = 0;
    EXPECT_EQ(GetCOMNumber(1, &number), kPort);
    EXPECT_EQ(number, kPort);

    const unsigned char request[] = {0x1B, 0x0D, 0x00, 0xFF};
    EXPECT_EQ(WriteBytes(request, sizeof request), 1);
    EXPECT_EQ(WriteByte(0x06), 1);
    EXPECT_EQ(CharSent(), 1);
    EXPECT_EQ(pty_.receive(5, 2s), std::string("\x1B\x0D\x00\xFF\x06", 5));

    pty_.send(std::string("\x15\x00", 2));
    unsigned char byte = 0xAA;
    ASSERT_EQ(ReadByte(&byte), 1);
    EXPECT_EQ(byte, 0x15);
    ASSERT_EQ(ReadByte(&byte), 1);
    EXPECT_EQ(byte, 0x00);

    EXPECT_EQ(ChangeSpeedWinseria(9600), 1);
    EXPECT_EQ(GetSpeed(1), 9600);
    EXPECT_EQ(ChangeParity(3), 1);
    EXPECT_EQ(ctx.ports.current().parity, 3);
    EXPECT_EQ(ChangeParity(7), 0) << "no such parity";
    EXPECT_EQ(ClearPort(), 0);

    EXPECT_EQ(UnInitializePort(), 0);
    EXPECT_EQ(ctx.ports.current().handle, -1);
    EXPECT_EQ(GetCOMHandle(1), -1);
    EXPECT_EQ(GetSpeed(1), 0);
    EXPECT_EQ(GetCOMNumber(1, &number), 0);
    EXPECT_EQ(number, 0);
}

TEST_F(PortLayerTest, ReadTimeOutIsInSecondsAtOpenAndInMillisecondsLater)
{
    ctx.lineErrors = {true, true, true};
    ASSERT_EQ(InitializePort(kPort, 9600, 1, 1), 0);
    unsigned char byte = 0;
    const auto waited = timed([&] { EXPECT_EQ(ReadByte(&byte), 0); });
    EXPECT_GE(waited, 950ms);
    EXPECT_FALSE(ctx.lineErrors.overrun || ctx.lineErrors.parity || ctx.lineErrors.framing)
        << "cleared on entry; a pseudo-terminal counts no line errors";

    ASSERT_EQ(MsSetTimeouts(0, 300), 1);
    const auto shorter = timed([&] { EXPECT_EQ(ReadByte(&byte), 0); });
    EXPECT_GE(shorter, 290ms);

    ASSERT_EQ(MsSetTimeouts(0, 0), 1);
    EXPECT_EQ(ReadByte(&byte), 0);
    pty_.send("K");
    ASSERT_TRUE(readWithin(byte)) << "a time-out of 0 still takes what is buffered";
    EXPECT_EQ(byte, 'K');
    EXPECT_EQ(WriteByte('k'), 1) << "a write time-out of 0 sets no limit";
    EXPECT_EQ(pty_.receive(1, 1s), "k");

    ASSERT_EQ(SetSerialParameters(), 0);
    EXPECT_GE(timed([&] { EXPECT_EQ(ReadByte(&byte), 0); }), 950ms) << "the record's seconds apply again";
}

TEST_F(PortLayerTest, WriteBytesTakesTheCountModulo256)
{
    ASSERT_EQ(InitializePort(kPort, 9600, 1, 1), 0);
    unsigned char block[258];
    for (std::size_t i = 0; i < sizeof block; ++i)
        block[i] = static_cast<unsigned char>('a' + i % 26);
    EXPECT_EQ(WriteBytes(block, 256), 1) << "nothing to write, nothing missing";
    EXPECT_EQ(WriteBytes(nullptr, 512), 1);
    EXPECT_EQ(pty_.receive(1, 200ms), "");
    EXPECT_EQ(WriteBytes(block, 258), 1);
    EXPECT_EQ(pty_.receive(2, 2s), "ab");
    EXPECT_EQ(pty_.receive(1, 200ms), "");
    EXPECT_EQ(WriteBytes(nullptr, 1), 0);
    EXPECT_EQ(ReadByte(nullptr), 0);
}

TEST_F(PortLayerTest, ChannelSwitchingPausesAndReportsItsLines)
{
    ASSERT_EQ(InitializePort(kPort, 9600, 1, 1), 0);
    for (const unsigned char channel : {0, 5}) {
        const auto waited = timed([&] { EXPECT_EQ(UstawKanalWinseria(channel), 0); });
        EXPECT_GE(waited, 49ms);
    }
    // A pseudo-terminal has no modem lines, so a real channel fails too.
    EXPECT_GE(timed([] { EXPECT_EQ(UstawKanalWinseria(1), 0); }), 49ms);
    EXPECT_EQ(SetDTRLine(), 0);
    EXPECT_EQ(ClearRTSLine(), 0);
    EXPECT_EQ(ModemStatus(), 0);
}

TEST_F(PortLayerTest, EveryOperationFailsOnAPortThatIsNotOpen)
{
    EXPECT_EQ(ctx.ports.current().handle, 0) << "never opened";
    EXPECT_EQ(SetSerialParameters(), 2);
    EXPECT_EQ(ClearPort(), 2);
    EXPECT_EQ(MsSetTimeouts(0, 0), 0);
    unsigned char byte = 0;
    EXPECT_EQ(ReadByte(&byte), 0);
    EXPECT_EQ(WriteByte(1), 0);
    EXPECT_EQ(WriteBytes(&byte, 256), 0);
    EXPECT_EQ(CharSent(), 0);
    EXPECT_EQ(ModemStatus(), 0);
    EXPECT_EQ(SetDTRLine(), 0);
    EXPECT_EQ(SetRTSLine(), 0);
    EXPECT_EQ(ClearDTRLine(), 0);
    EXPECT_EQ(ChangeParity(0), 0);
    EXPECT_EQ(ChangeSpeedWinseria(9600), 0);
    EXPECT_EQ(GetCOMHandle(1), -1);
    EXPECT_EQ(GetSpeed(1), 0);

    ScopedEnv missing("KELVO_COM58", dir_.file("no-such-tty"));
    EXPECT_EQ(InitializePort(58, 9600, 3, 3), 1);
    EXPECT_EQ(ctx.ports.current().handle, -1);
    EXPECT_EQ(ctx.ports.current().portNumber, 58) << "the values are stored before the open";
    EXPECT_EQ(GetCOMHandle(1), -1);
    EXPECT_EQ(GetCOMNumber(1, nullptr), 0);
    EXPECT_EQ(UnInitializePort(), 0);

    ScopedEnv file("KELVO_COM59", dir_.file("plain-file"));
    kelvo::test::writeFile(dir_.file("plain-file"), "");
    EXPECT_EQ(InitializePort(59, 9600, 3, 3), ENOTTY) << "a file opens but takes no line parameters";
}

TEST_F(PortLayerTest, OpenWithoutParametersAndTheOtherOpenings)
{
    const std::string name = portDeviceName("COM", kPort);
    ASSERT_EQ(pInitializeAnyPort(name.c_str(), kPort, 1, 4800, 4, 0, 8, 7, 9), 0);
    const PortRecord& port = ctx.ports.current();
    EXPECT_TRUE(port.ctsFlow);
    EXPECT_EQ(port.speed, 4800u);
    EXPECT_EQ(port.parity, 4);
    EXPECT_EQ(port.writeTimeout, 7u);
    EXPECT_EQ(port.readTimeout, 9u);
    termios line {};
    const int fd = ::open(pty_.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::tcgetattr(fd, &line), 0);
    EXPECT_NE(::cfgetospeed(&line), B4800) << "the line parameters wait for SetSerialParameters";
    ASSERT_EQ(SetSerialParameters(), 0);
    ASSERT_EQ(::tcgetattr(fd, &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B4800);
    EXPECT_NE(line.c_cflag & CRTSCTS, 0u);
    ::close(fd);

    EXPECT_EQ(pInitializeAnyPort(name.c_str(), kPort, 0, 9600, 0, 0, 7, 1, 1), 0);
    EXPECT_EQ(SetSerialParameters(), EINVAL) << "always 8 data bits";
    EXPECT_EQ(pInitializeAnyPort(name.c_str(), kPort, 0, 9600, 0, 2, 8, 1, 1), 0);
    EXPECT_EQ(SetSerialParameters(), EINVAL) << "always one stop bit";

    ScopedEnv lpt("KELVO_LPT3", pty_.slavePath());
    ASSERT_EQ(pInitializeLPTPort(3, 9600, 1, 1), 0);
    EXPECT_EQ(port.deviceName, R"(\\.\LPT3)");
    EXPECT_TRUE(port.ctsFlow);
    EXPECT_EQ(port.parity, 2);

    ctx.link.ctsFlow = false;
    UstawCTS(1);
    ASSERT_EQ(pInitializePort(kPort, 9600, 1, 1, 1), 0);
    EXPECT_FALSE(port.ctsFlow) << "the open takes the link's CTS flag";
    EXPECT_EQ(port.parity, 1);
}

TEST_F(PortLayerTest, PortDelayPausesAndIsResetByTheClose)
{
    EXPECT_EQ(SetPortDelay(120), 120);
    const auto opening = timed([] { EXPECT_EQ(InitializePort(kPort, 9600, 1, 1), 0); });
    EXPECT_GE(opening, 240ms) << "after the open and after the parameters";
    EXPECT_GE(timed([] { EXPECT_EQ(ChangeParity(0), 1); }), 240ms) << "before the change and after the parameters";
    EXPECT_EQ(UnInitializePort(), 0);
    EXPECT_EQ(ctx.ports.delayMs, 100);
}

TEST_F(PortLayerTest, SelectorsChooseTheRecord)
{
    unsigned char selector = 0;
    EXPECT_EQ(GetComSelector(&selector), 1);
    EXPECT_EQ(selector, 1);
    EXPECT_EQ(UstawCTS(0), 1);
    ASSERT_EQ(InitializePort(kPort, 9600, 1, 1), 0);

    EXPECT_EQ(SetComSelector(2), 2);
    EXPECT_EQ(GetComSelector(nullptr), 2);
    EXPECT_EQ(ClearPort(), 2) << "record 2 is not open";
    EXPECT_EQ(GetCOMHandle(1), ctx.ports.records[1].handle) << "the getters take any selector";
    EXPECT_EQ(GetSpeed(1), 9600);
    EXPECT_EQ(GetCOMHandle(2), -1);
    EXPECT_EQ(GetCOMNumber(2, nullptr), 0);
    EXPECT_EQ(UstawCTS(1), 2);
    EXPECT_TRUE(ctx.ports.records[2].ctsFlow);
    EXPECT_FALSE(ctx.ports.records[1].ctsFlow);
}

TEST_F(PortLayerTest, SelectorOutsideTheRecordsIsRefused)
{
    ASSERT_EQ(SetComSelector(0), 0);
    ASSERT_EQ(InitializePort(kPort, 19200, 1, 1), 0);
    EXPECT_EQ(SetComSelector(255), -1) << "the selectors are 0 to 254";
    EXPECT_EQ(GetComSelector(nullptr), 0) << "the selector stays";
    unsigned char number = 77;
    EXPECT_EQ(GetCOMHandle(255), -1) << "255 is not record 0";
    EXPECT_EQ(GetSpeed(255), 0);
    EXPECT_EQ(GetCOMNumber(255, &number), 0);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(GetSpeed(0), 19200);
    EXPECT_EQ(UnInitializePort(), 0);
}

TEST_F(PortLayerTest, SerialPortPresentOpensAndClosesAtOnce)
{
    EXPECT_EQ(SerialPortPresent(kPort), 1);
    EXPECT_EQ(SerialPortPresent(kPort), 1) << "the probe left the port free";
    ASSERT_EQ(InitializePort(kPort, 9600, 1, 1), 0);
    EXPECT_EQ(SerialPortPresent(kPort), 0) << "a port held open is refused to others";
    ScopedEnv missing("KELVO_COM58", dir_.file("no-such-tty"));
    EXPECT_EQ(SerialPortPresent(58), 0);
}

TEST_F(PortLayerTest, VirtualSerialPortAddressesComeFromTheListFile)
{
    EXPECT_STREQ(PIPAdress(kPort), "") << "no list file";
    kelvo::test::writeFile(dir_.file("vsp.conf"), "# forwarded ports\ncom57 192.168.1.20\nCOM58\nCOM9 10.1.1.1\n");
    const char* first = PIPAdress(kPort);
    EXPECT_STREQ(first, "192.168.1.20");
    EXPECT_STREQ(PIPAdress(58), "0.0.0.0") << "listed without an address";
    EXPECT_STREQ(PIPAdress(59), "");
    EXPECT_STREQ(PIPAdress(9), "10.1.1.1");
    EXPECT_STREQ(first, "10.1.1.1") << "the text lives on until the next call";
}
