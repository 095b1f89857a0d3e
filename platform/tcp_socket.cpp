#include "platform/tcp_socket.h"

#include <poll.h>
#include <unistd.h>
#include <utility>

namespace kelvo::platform {

TcpSocket::~TcpSocket()
{
    close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool TcpSocket::connected() const
{
    if (fd_ < 0)
        return false;
    // The far end's shutdown shows even while bytes it sent before are unread.
    pollfd entry {fd_, POLLIN | POLLRDHUP, 0};
    return ::poll(&entry, 1, 0) >= 0 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) == 0;
}

void TcpSocket::close()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

}
