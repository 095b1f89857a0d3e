// A serial device on termios, standing in for a Windows communications port.
//
// The device is opened for reading and writing, never as the controlling
// terminal, with low latency where it takes that, and non-blocking: reads and
// writes wait in poll, so a time-out of any length works. The device is locked with an exclusive advisory lock,
// so a second open of it (by this or another process) is refused, as Windows
// refuses a second open of a port.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/line_settings.h"

namespace kelvo::platform {

enum class ModemLine : std::uint8_t { Dtr, Rts };

// Modem status bits as the driver reports them.
inline constexpr std::uint8_t kModemCts = 0x10;
inline constexpr std::uint8_t kModemDsr = 0x20;
inline constexpr std::uint8_t kModemRing = 0x40;
inline constexpr std::uint8_t kModemCarrier = 0x80;

// The kernel's running counts of receive errors on a UART.
struct LineErrorCounts {
    std::uint32_t overrun = 0;
    std::uint32_t parity = 0;
    std::uint32_t framing = 0;
};

enum class ReadOutcome : std::uint8_t { Byte, TimedOut, Failed };

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(SerialPort&& other) noexcept;
    SerialPort& operator=(SerialPort&& other) noexcept;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device at path (closing what was open before); the program
    // drives DTR and RTS, which start cleared.
    bool open(const std::string& path);
    // 0, or the errno of a failing close; the device is closed either way.
    int close();

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // False once the device has hung up (a USB adapter pulled out, the far
    // end of a pseudo-terminal gone) or a read or write failed for good.
    bool usable() const;

    // Raw mode, 8 data bits, one stop bit, the parity, receiver on, modem
    // lines ignored for reading, bytes received with a parity or framing error
    // dropped (the error counters still count them), no XON/XOFF. Output flow
    // on CTS is the kernel's hardware flow control, which also holds input
    // with RTS when the kernel's buffer fills: termios has no output-only CTS
    // flow. A standard speed is set as such; any other speed is set exactly
    // where the device driver takes it, else the nearest standard speed.
    // 0, or the errno of the failing call (EINVAL for speed 0).
    int configure(const LineSettings& settings);

    // Fail on devices without modem lines, such as pseudo-terminals.
    bool setModemLine(ModemLine line, bool on);
    std::optional<std::uint8_t> modemStatus() const;
    std::optional<LineErrorCounts> errorCounts() const;

    // Discards unsent output and unread input: 0, or the errno.
    int purge();
    // Waits until all output has been sent; the kernel bounds the wait for
    // the last bytes in the UART, write has waited for the rest.
    bool drain();

    // A time-out of 0 takes only a byte that is already there.
    ReadOutcome readByte(std::uint8_t& byte, std::chrono::milliseconds timeout);
    // Writes until every byte has left the kernel's output queue or the
    // time-out passed, first waiting the bytes' line time at the configured
    // speed; the number of bytes that left. A time-out of 0 sets
    // no limit, as zero write time-outs do on a Windows port.
    std::size_t write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
    bool failed_ = false;
    std::uint32_t speed_ = 0;  // bit/s once configured, for the line time of a write
};

}
