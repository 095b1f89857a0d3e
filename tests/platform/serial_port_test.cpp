#include "platform/serial_port.h"
#include "platform/termios_line.h"

#include <gtest/gtest.h>

// The line settings are read back through termios2, which shows the exact
// speed; its header cannot be mixed with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <array>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>

#include "tests/support/pty_pair.h"

using namespace kelvo::platform;
using kelvo::test::PtyPair;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// The settings of the terminal, seen through a descriptor of the test's own.
termios2 lineOf(const std::string& path)
{
    termios2 settings {};
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::ioctl(fd, TCGETS2, &settings), 0);
    ::close(fd);
    return settings;
}

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(port_.open(pty_.slavePath()));
        ASSERT_EQ(port_.configure({9600, Parity::None, false}), 0);
    }

    PtyPair pty_;
    SerialPort port_;
};

}

TEST_F(SerialPortTest, MovesBytesBothWaysInRawMode)
{
    const std::string sent = std::string("\r\n\x03\x11\x13\xff", 6) + "end";
    EXPECT_EQ(port_.write(bytesOf(sent), 1000ms), sent.size());
    EXPECT_EQ(pty_.receive(sent.size(), 2000ms), sent) << "no byte is translated or swallowed";

    pty_.send(std::string("\r\x04\x7f", 3));
    std::string received;
    std::uint8_t byte = 0;
    while (received.size() < 3 && port_.readByte(byte, 2000ms) == ReadOutcome::Byte)
        received.push_back(static_cast<char>(byte));
    EXPECT_EQ(received, std::string("\r\x04\x7f", 3));
}

TEST_F(SerialPortTest, ReadWaitsForItsTimeOutAndZeroReturnsAtOnce)
{
    std::uint8_t byte = 0;
    auto start = Clock::now();
    EXPECT_EQ(port_.readByte(byte, 300ms), ReadOutcome::TimedOut);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 290ms);

    EXPECT_EQ(port_.readByte(byte, 0ms), ReadOutcome::TimedOut);

    pty_.send("z");
    const auto deadline = Clock::now() + 2s;
    ReadOutcome outcome = ReadOutcome::TimedOut;
    while (outcome == ReadOutcome::TimedOut && Clock::now() < deadline)
        outcome = port_.readByte(byte, 0ms);
    EXPECT_EQ(outcome, ReadOutcome::Byte) << "a time-out of 0 still takes what is buffered";
    EXPECT_EQ(byte, 'z');
}

TEST_F(SerialPortTest, WriteStopsAtItsTimeOutWhenTheFarEndTakesNothing)
{
    const std::array<std::uint8_t, 4096> block {};
    std::size_t written = block.size();
    for (int attempt = 0; attempt < 1000 && written == block.size(); ++attempt)
        written = port_.write(block, 100ms);
    EXPECT_LT(written, block.size()) << "the pseudo-terminal's buffer must fill up";
}

TEST(SerialPortParity, MarkAndSpaceUseStickParity)
{
    EXPECT_EQ(parityControlFlags(Parity::None), 0u);
    EXPECT_EQ(parityControlFlags(Parity::Odd), static_cast<std::uint32_t>(PARENB | PARODD));
    EXPECT_EQ(parityControlFlags(Parity::Even), static_cast<std::uint32_t>(PARENB));
    EXPECT_EQ(parityControlFlags(Parity::Mark), static_cast<std::uint32_t>(PARENB | PARODD | CMSPAR));
    EXPECT_EQ(parityControlFlags(Parity::Space), static_cast<std::uint32_t>(PARENB | CMSPAR));
}

// A pseudo-terminal clears PARENB and keeps the other bits; every parity
// must still configure it, since the driver opens ports with even parity.
TEST_F(SerialPortTest, SetsLineFlagsAndEverySpeedExactly)
{
    for (const Parity parity : {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space}) {
        ASSERT_EQ(port_.configure({9600, parity, true}), 0) << static_cast<int>(parity);
        const termios2 line = lineOf(pty_.slavePath());
        EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), parityControlFlags(parity) & (PARODD | CMSPAR));
        EXPECT_EQ(line.c_cflag & (CSIZE | CSTOPB | CRTSCTS | CLOCAL | CREAD), CS8 | CRTSCTS | CLOCAL | CREAD);
        EXPECT_EQ(line.c_iflag & (INPCK | IGNPAR | IXON | IXOFF | ICRNL), INPCK | IGNPAR);
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    }
    ASSERT_EQ(port_.configure({9600, Parity::Even, false}), 0);
    EXPECT_EQ(lineOf(pty_.slavePath()).c_cflag & CRTSCTS, 0u);

    for (const std::uint32_t speed : {1u, 300u, 9600u, 14400u, 19200u, 28800u, 57600u, 115200u}) {
        ASSERT_EQ(port_.configure({speed, Parity::Even, false}), 0) << speed;
        const termios2 line = lineOf(pty_.slavePath());
        EXPECT_EQ(line.c_ospeed, speed) << "a pseudo-terminal takes every speed exactly";
        EXPECT_EQ(line.c_ispeed, speed);
    }
    EXPECT_EQ(port_.configure({0, Parity::None, false}), EINVAL);
}

TEST_F(SerialPortTest, WhatAPseudoTerminalLacksFailsQuietly)
{
    EXPECT_FALSE(port_.setModemLine(ModemLine::Dtr, true));
    EXPECT_FALSE(port_.setModemLine(ModemLine::Rts, false));
    EXPECT_FALSE(port_.modemStatus().has_value());
    EXPECT_FALSE(port_.errorCounts().has_value());
    EXPECT_EQ(port_.purge(), 0);
    EXPECT_TRUE(port_.drain());
}

TEST_F(SerialPortTest, IsOpenedByOneOwnerAtATime)
{
    SerialPort second;
    EXPECT_FALSE(second.open(pty_.slavePath())) << "the device is held exclusively";

    SerialPort moved = std::move(port_);
    EXPECT_FALSE(port_.isOpen());
    EXPECT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.close(), 0);
    EXPECT_TRUE(second.open(pty_.slavePath())) << "closing gives the device free";
}

TEST(SerialPort, ClosedOrMissingDeviceFailsEveryOperation)
{
    SerialPort port;
    EXPECT_FALSE(port.open("/nonexistent/kelvo-tty"));
    EXPECT_FALSE(port.open(""));
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(port.configure({9600, Parity::None, false}), 0);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 1000ms), ReadOutcome::Failed);
    EXPECT_EQ(port.write(bytesOf("x"), 1000ms), 0u);
    EXPECT_FALSE(port.setModemLine(ModemLine::Dtr, true));
    EXPECT_FALSE(port.modemStatus().has_value());
    EXPECT_FALSE(port.errorCounts().has_value());
    EXPECT_NE(port.purge(), 0);
    EXPECT_FALSE(port.drain());
    EXPECT_EQ(port.close(), 0);
}

TEST(SerialPort, HangUpOfTheFarEndFailsAReadAtOnce)
{
    auto pty = std::make_unique<PtyPair>();
    SerialPort port;
    ASSERT_TRUE(port.open(pty->slavePath()));
    ASSERT_EQ(port.configure({9600, Parity::None, false}), 0);
    pty.reset();
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 5000ms), ReadOutcome::Failed);
}
