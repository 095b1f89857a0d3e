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
#include "driver/transport/link_operations.h"
#include "driver/transport/link_trace.h"

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
    platform::TcpSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const int fd = socket.descriptor();
    if (!socket.isOpen()) {
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
        failWith(condition::SocketFailure);
        return false;
    }
    ctx.link.socket = std::move(socket);
    return true;
}

// Closing is the end of the conversation: like the serial line's, it leaves
// the command's result as it stands, which the run report already shows.
void closeTcp()
{
    ctx.link.socket.close();
}

bool sendTcp(std::span<const std::uint8_t> bytes)
{
    const int fd = ctx.link.socket.descriptor();
    int waiting = 0;
    if (!ctx.link.socket.isOpen() || ::ioctl(fd, FIONREAD, &waiting) != 0) {
        failWith(condition::SocketFailure);
        return false;
    }
    if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
        failWith(condition::SocketSendIncomplete);
        return false;
    }
    return true;
}

bool receiveTcp(std::uint8_t& byte, std::uint8_t)
{
    const int fd = ctx.link.socket.descriptor();
    const auto deadline = Clock::now() + timeout();
    for (;;) {
        const int ready = pollFor(fd, POLLIN, deadline);
        if (ready == 0) {
            failWith(condition::SocketTimeout);
            return false;
        }
        if (ready < 0 && errno == EINTR)
            continue;
        // A closed connection reads as nothing: that is a failure, not a wait.
        if (ready < 0 || ::recv(fd, &byte, 1, 0) != 1) {
            failWith(condition::SocketFailure);
            return false;
        }
        return true;
    }
}

// The far end keeps no line buffers the driver could drop.
void purgeTcp() { }

bool tcpAlive()
{
    return ctx.link.socket.connected();
}

}

// A socket hands its bytes to the system at once and has no carrier line.
const LinkOperations kTcpLine {openTcp, closeTcp, tracedSend<sendTcp>, tracedReceive<receiveTcp>, purgeTcp, nothingToDo, nothingToDo,
    condition::SocketTimeout, nothingToDo, noTransaction, false, tcpAlive};

}
