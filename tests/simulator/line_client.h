// A small client for the simulator's line, as a test sees it: every wait is
// bounded, so a test fails rather than hangs.
#pragma once

#include "platform/descriptor.h"
#include "simulator/bytes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace kelvo::sim::test {

using namespace std::chrono_literals;
using platform::Descriptor;

class LineClient {
public:
    static LineClient openPath(const std::string& path)
    {
        return LineClient(Descriptor(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)));
    }

    static LineClient connectTcp(std::uint16_t port, int type = SOCK_STREAM)
    {
        Descriptor s(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) s.reset();
        if (s.valid()) ::fcntl(s.get(), F_SETFL, O_NONBLOCK);
        return LineClient(std::move(s));
    }

    bool valid() const { return fd_.valid(); }

    bool send(std::span<const std::uint8_t> bytes)
    {
        std::size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t n = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<std::size_t>(n);
            else {
                pollfd p{fd_.get(), POLLOUT, 0};
                ::poll(&p, 1, 20);
            }
        }
        return done == bytes.size();
    }

    bool send(std::initializer_list<std::uint8_t> bytes) { return send(std::span(bytes.begin(), bytes.size())); }

    // Up to `count` bytes, whatever arrived before the time-out; `closed` is
    // set when the other side went away.
    Bytes receive(std::size_t count, std::chrono::milliseconds timeout = 2000ms)
    {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_.get(), POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            std::uint8_t buffer[512];
            const ssize_t n = ::read(fd_.get(), buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                closed = true;
                break;
            }
        }
        return got;
    }

    void close() { fd_.reset(); }

    bool closed = false;

private:
    explicit LineClient(Descriptor fd) : fd_(std::move(fd)) {}
    Descriptor fd_;
};

}
