// Far ends on the loopback address for tests of failed TCP links: a port
// nobody listens on, and a listener whose queue is full, so that a further
// connection is never answered. Nothing leaves this machine.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvo::test {

inline sockaddr_in loopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// A port that was free a moment ago: bound to find it, then closed.
inline int closedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof(address);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("no loopback port");
    ::close(fd);
    return ntohs(address.sin_port);
}

// Listens with a queue of one and fills it with a connection of its own; it never accepts.
class SilentListener {
public:
    SilentListener()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(0);
        socklen_t size = sizeof(address);
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(listener_, 0) != 0
            || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("no loopback listener");
        port_ = ntohs(address.sin_port);
        queued_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in target = loopback(port_);
        if (queued_ < 0 || ::connect(queued_, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) != 0)
            throw std::runtime_error("cannot fill the listener's queue");
    }
    ~SilentListener()
    {
        ::close(queued_);
        ::close(listener_);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int port() const { return port_; }

private:
    int listener_ = -1;
    int queued_ = -1;
    int port_ = 0;
};

}
