// The TCP backend: a connection to a line converter or network serial
// server, made non-blocking after connecting; every receive is bounded by
// the configured time-out.
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/link_backend.h"

namespace kelvo::drv {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds timeout()
{
    return std::chrono::milliseconds(static_cast<std::int64_t>(ctx.connection.extendedTimeout) * 1000);
}

int pollFor(int fd, short events, Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd waiting {fd, events, 0};
    return ::poll(&waiting, 1, left < 0 ? 0 : static_cast<int>(std::min<std::int64_t>(left, 0x7FFFFFFF)));
}

// Resolves the host; an IPv4 name is replaced by its dotted address.
bool resolve(sockaddr_in& address)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(ctx.connection.host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        failWith(condition::UnknownHost);
        return false;
    }
    address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(static_cast<std::uint16_t>(ctx.connection.tcpPort));
    char dotted[INET_ADDRSTRLEN] {};
    if (::inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof(dotted)) != nullptr)
        ctx.connection.host = dotted;
    return true;
}

bool openTcp()
{
    sockaddr_in address {};
    if (!resolve(address))
        return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        failWith(condition::SocketFailure);
        return false;
    }
    const auto deadline = Clock::now() + timeout();
    int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    if (connected != 0 && errno == EINPROGRESS && pollFor(fd, POLLOUT, deadline) == 1) {
        int error = 0;
        socklen_t size = sizeof(error);
        connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0 ? 0 : -1;
    }
    if (connected != 0) {
        ::close(fd);
        failWith(condition::SocketFailure);
        return false;
    }
    ctx.link.socket = fd;
    return true;
}

void closeTcp()
{
    if (ctx.link.socket >= 0 && ::close(ctx.link.socket) != 0)
        failWith(condition::SocketFailure);
    ctx.link.socket = -1;
}

bool sendTcp(std::span<const std::uint8_t> bytes)
{
    int waiting = 0;
    if (ctx.link.socket < 0 || ::ioctl(ctx.link.socket, FIONREAD, &waiting) != 0) {
        failWith(condition::SocketFailure);
        return false;
    }
    if (::send(ctx.link.socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
        failWith(condition::SocketSendIncomplete);
        return false;
    }
    return true;
}

bool receiveTcp(std::uint8_t& byte, std::uint8_t)
{
    const auto deadline = Clock::now() + timeout();
    for (;;) {
        const int ready = pollFor(ctx.link.socket, POLLIN, deadline);
        if (ready == 0) {
            failWith(condition::SocketTimeout);
            return false;
        }
        if (ready < 0 && errno == EINTR)
            continue;
        // A closed connection reads as nothing: that is a failure, not a wait.
        if (ready < 0 || ::recv(ctx.link.socket, &byte, 1, 0) != 1) {
            failWith(condition::SocketFailure);
            return false;
        }
        return true;
    }
}

void purgeTcp() { }

constexpr LinkBackend kTcp {openTcp, closeTcp, sendTcp, receiveTcp, purgeTcp};

}

const LinkBackend& tcpBackend()
{
    return kTcp;
}

}
