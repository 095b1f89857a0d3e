#include "platform/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "platform/output_wait.h"
#include "platform/termios_line.h"

namespace kelvo::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, as poll takes them.
int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return 0;
    return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// Waits for the events; false when the deadline passed or the device failed.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        const int left = remainingMs(deadline);
        if (left == 0)
            return false;
        pollfd entry {fd, events, 0};
        const int ready = ::poll(&entry, 1, left);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready > 0)
            return (entry.revents & events) != 0 || (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
    }
}

// The kernel's output queue of the device, on the real clock.
class KernelOutputQueue final : public OutputQueue {
public:
    explicit KernelOutputQueue(int fd) : fd_(fd) {}
    std::optional<std::size_t> queued() override
    {
        int count = 0;
        if (::ioctl(fd_, TIOCOUTQ, &count) != 0 || count < 0)
            return std::nullopt;
        return static_cast<std::size_t>(count);
    }
    Clock::time_point now() override { return Clock::now(); }
    void sleepUntil(Clock::time_point when) override { std::this_thread::sleep_until(when); }

private:
    int fd_;
};

// USB serial adapters hold received bytes for their latency timer (16 ms on
// the common FTDI ones) before handing them on, on every answer; low latency
// makes that 1 ms. Devices without the setting, such as pseudo-terminals,
// refuse the request, and nothing changes for them.
void askForLowLatency(int fd)
{
    serial_struct serial {};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY) != 0)
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &serial);
}

}

SerialPort::~SerialPort()
{
    close();
}

SerialPort::SerialPort(SerialPort&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), failed_(std::exchange(other.failed_, false)),
      speed_(std::exchange(other.speed_, 0))
{
}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        failed_ = std::exchange(other.failed_, false);
        speed_ = std::exchange(other.speed_, 0);
    }
    return *this;
}

bool SerialPort::open(const std::string& path)
{
    close();
    if (path.empty())
        return false;
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // Callers keep 0 as "no device"; a descriptor must not take that number
    // when standard input happens to be closed.
    if (fd == 0) {
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        ::close(fd);
        fd = moved;
    }
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    askForLowLatency(fd_);
    setModemLine(ModemLine::Dtr, false);
    setModemLine(ModemLine::Rts, false);
    return true;
}

int SerialPort::close()
{
    failed_ = false;
    speed_ = 0;
    if (fd_ < 0)
        return 0;
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
}

int SerialPort::configure(const LineSettings& settings)
{
    const int result = applyLineSettings(fd_, settings);
    if (result == 0)
        speed_ = settings.speed;
    return result;
}

bool SerialPort::setModemLine(ModemLine line, bool on)
{
    const int bit = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    return fd_ >= 0 && ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

std::optional<std::uint8_t> SerialPort::modemStatus() const
{
    int lines = 0;
    if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &lines) != 0)
        return std::nullopt;
    std::uint8_t status = 0;
    if ((lines & TIOCM_CTS) != 0)
        status |= kModemCts;
    if ((lines & TIOCM_DSR) != 0)
        status |= kModemDsr;
    if ((lines & TIOCM_RNG) != 0)
        status |= kModemRing;
    if ((lines & TIOCM_CAR) != 0)
        status |= kModemCarrier;
    return status;
}

std::optional<LineErrorCounts> SerialPort::errorCounts() const
{
    serial_icounter_struct counts {};
    if (fd_ < 0 || ::ioctl(fd_, TIOCGICOUNT, &counts) != 0)
        return std::nullopt;
    return LineErrorCounts {static_cast<std::uint32_t>(counts.overrun), static_cast<std::uint32_t>(counts.parity),
        static_cast<std::uint32_t>(counts.frame)};
}

int SerialPort::purge()
{
    return ::tcflush(fd_, TCIOFLUSH) == 0 ? 0 : errno;
}

bool SerialPort::usable() const
{
    if (fd_ < 0 || failed_)
        return false;
    pollfd entry {fd_, POLLIN, 0};
    return ::poll(&entry, 1, 0) >= 0 && (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
}

bool SerialPort::drain()
{
    return fd_ >= 0 && ::tcdrain(fd_) == 0;
}

ReadOutcome SerialPort::readByte(std::uint8_t& byte, std::chrono::milliseconds timeout)
{
    if (fd_ < 0)
        return ReadOutcome::Failed;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const ssize_t count = ::read(fd_, &byte, 1);
        if (count == 1)
            return ReadOutcome::Byte;
        if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
            failed_ = true;
            return ReadOutcome::Failed;
        }
        if (remainingMs(deadline) == 0)
            return ReadOutcome::TimedOut;
        if (!waitFor(fd_, POLLIN, deadline)) {
            if (remainingMs(deadline) == 0)
                return ReadOutcome::TimedOut;
            failed_ = true;
            return ReadOutcome::Failed;
        }
    }
}

std::size_t SerialPort::write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout)
{
    if (fd_ < 0)
        return 0;
    const auto start = Clock::now();
    const auto deadline = timeout.count() == 0 ? Clock::time_point::max() : start + timeout;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd_, bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            failed_ = true;
            return written;
        }
        if (!waitFor(fd_, POLLOUT, deadline)) {
            // Before the deadline, the wait ended because the device hung up.
            if (remainingMs(deadline) > 0)
                failed_ = true;
            return written;
        }
    }
    // The bytes count as written once they have left the kernel's queue: a
    // line held back by CTS then runs out of time here rather than in drain.
    KernelOutputQueue queue(fd_);
    return written - std::min(written, waitForOutput(queue, written, speed_, start, deadline));
}

}
