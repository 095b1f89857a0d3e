#include "platform/tcp_socket.h"

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

void TcpSocket::close()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

}
