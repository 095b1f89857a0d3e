#include "platform/tcp_probe.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include "platform/tcp_socket.h"

namespace kelvo::platform {

namespace {

TcpProbe fromError(int error)
{
    if (error == ECONNREFUSED)
        return {TcpReach::Refused, error};
    if (error == ETIMEDOUT)
        return {TcpReach::NoAnswer, error};
    return {TcpReach::Failed, error};
}

}

TcpProbe probeTcp(const std::string& host, int port, std::chrono::milliseconds timeout)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return {TcpReach::UnknownHost, 0};
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(static_cast<std::uint16_t>(port));

    const TcpSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.isOpen())
        return {TcpReach::Failed, errno};
    if (::connect(socket.descriptor(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return {TcpReach::Connected, 0};
    if (errno != EINPROGRESS)
        return fromError(errno);
    pollfd waiting {socket.descriptor(), POLLOUT, 0};
    int ready = 0;
    while ((ready = ::poll(&waiting, 1, static_cast<int>(timeout.count()))) < 0 && errno == EINTR) { }
    if (ready == 0)
        return {TcpReach::NoAnswer, 0};
    int error = 0;
    socklen_t size = sizeof(error);
    if (ready < 0 || ::getsockopt(socket.descriptor(), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return {TcpReach::Failed, errno};
    return error == 0 ? TcpProbe {TcpReach::Connected, 0} : fromError(error);
}

}
