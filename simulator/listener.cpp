#include "simulator/listener.h"

#include "simulator/line_speed.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kelvo::sim {

namespace {

constexpr int pollMs = 20;

}

Listener::Listener(const ListenerOptions& options, Responder& responder, RequestLog& log)
    : options_(options), responder_(responder), log_(log), receiving_(options.timing.baud)
{
    if (options_.ptyPath)
        pty_ = std::make_unique<PseudoTerminal>(*options_.ptyPath);
    else if (options_.tcp)
        tcpListen_ = listenTcp(*options_.tcp);
    else
        throw std::invalid_argument("brak miejsca nasłuchu: podaj --pty ŚCIEŻKA albo --tcp [HOST:]PORT");
    if (options_.udp) udp_ = bindUdp(*options_.udp);
}

std::uint16_t Listener::tcpPort() const
{
    return tcpListen_.valid() ? localPort(tcpListen_.get()) : 0;
}

std::uint16_t Listener::udpPort() const
{
    return udp_.valid() ? localPort(udp_.get()) : 0;
}

std::string Listener::ptySlave() const
{
    return pty_ ? pty_->slaveName() : std::string();
}

void Listener::run(const std::atomic<bool>& stop)
{
    bool served = false;
    while (!stop) {
        std::vector<pollfd> fds;
        const int lineFd = pty_ ? pty_->master() : client_.valid() ? client_.get() : tcpListen_.get();
        fds.push_back({lineFd, POLLIN, 0});
        if (udp_.valid()) fds.push_back({udp_.get(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), pollMs) < 0 && errno != EINTR) throw std::runtime_error("poll failed");

        if (fds.size() > 1 && (fds[1].revents & POLLIN)) answerUdp();

        const short events = fds[0].revents;
        if (!pty_ && !client_.valid()) {
            if (events & POLLIN) {
                client_ = Descriptor(::accept4(tcpListen_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
                if (client_.valid()) served = true;
            }
            continue;
        }

        bool gone = false;
        if (events & POLLIN) {
            served = true;
            if (pty_) ptyClient_ = true;
            gone = serveBytes(lineFd) == Line::Gone;
        } else if (pty_ && (events & POLLHUP)) {
            // No process has the slave side open.
            gone = ptyClient_;
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
        } else if (events & (POLLHUP | POLLERR)) {
            gone = true;
        } else if (pty_) {
            ptyClient_ = true;
            served = true;
        }

        if (gone) {
            dropClient();
            if (options_.once) return;
        }
        if (lastByte_ != std::chrono::steady_clock::time_point{} &&
            std::chrono::steady_clock::now() - lastByte_ > options_.quietAfter) {
            responder_.lineQuiet();
            lastByte_ = {};
        }
        if (options_.once && served && !pty_ && !client_.valid()) return;
    }
}

Listener::Line Listener::serveBytes(int fd)
{
    std::array<std::uint8_t, 4096> buffer{};
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return Line::Open;
    if (n <= 0) return Line::Gone;  // closed socket, or EIO from a pty without its client
    const auto readAt = std::chrono::steady_clock::now();
    bytesReceived_ += static_cast<std::uint64_t>(n);
    if (pty_ && options_.lineSpeed) {
        if (const std::uint32_t speed = clientLineSpeed(fd); speed != *options_.lineSpeed) {
            log_.line("line at " + std::to_string(speed) + " bit/s, register at " + std::to_string(*options_.lineSpeed)
                + ": " + std::to_string(n) + " bytes not understood");
            return Line::Open;
        }
    }
    for (ssize_t k = 0; k < n; ++k) {
        receiving_.awaitByte(readAt);
        const Reply reply = responder_.feed(buffer[static_cast<std::size_t>(k)]);
        for (const Bytes& answer : reply.answers) {
            if (!answer.empty() && !writeAnswer(fd, answer, options_.timing)) return Line::Gone;
            bytesSent_ += answer.size();
        }
        if (reply.hangUp) {
            log_.line("hang-up");
            if (pty_) {
                // The line drops a moment after the last byte, so that the
                // client still reads what was sent before it.
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                pty_->renew();
            }
            return Line::Gone;
        }
    }
    lastByte_ = std::chrono::steady_clock::now();
    return Line::Open;
}

void Listener::dropClient()
{
    responder_.lineQuiet();
    lastByte_ = {};
    if (pty_) {
        ::tcflush(pty_->master(), TCIOFLUSH);
        ptyClient_ = false;
    } else {
        client_.reset();
    }
}

void Listener::answerUdp()
{
    std::array<char, 256> buffer{};
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = ::recvfrom(udp_.get(), buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) return;
    const std::string_view text(buffer.data(), static_cast<std::size_t>(n));
    const char answer = answerNetSerial(text, netSerial_);
    log_.netSerial(text, answer);
    ::sendto(udp_.get(), &answer, 1, 0, reinterpret_cast<const sockaddr*>(&from), fromLength);
}

}
