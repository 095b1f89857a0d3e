// A TCP connection's socket, standing in for a Windows socket handle: it
// owns its descriptor and closes it when it goes.
#pragma once

namespace kelvo::platform {

class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(int descriptor) : fd_(descriptor) {}
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // False once the far end has closed or reset the connection.
    bool connected() const;
    // Closes the socket; closing one that is not open does nothing.
    void close();

private:
    int fd_ = -1;
};

}
