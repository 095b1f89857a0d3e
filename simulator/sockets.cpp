#include "simulator/sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <stdexcept>
#include <system_error>

namespace kelvo::sim {

namespace {

sockaddr_in addressOf(const HostPort& where)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(where.port);
    const std::string host = where.host == "localhost" ? "127.0.0.1" : where.host;
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
        throw std::invalid_argument("to nie jest adres IPv4: " + where.host);
    return address;
}

Descriptor boundSocket(int type, const HostPort& where)
{
    Descriptor s(::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.valid()) throw std::system_error(errno, std::generic_category(), "socket");
    const int yes = 1;
    ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const sockaddr_in address = addressOf(where);
    if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::system_error(errno, std::generic_category(), "binding " + where.host + ":" + std::to_string(where.port));
    return s;
}

}

HostPort parseHostPort(const std::string& text)
{
    HostPort result;
    std::string_view port = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        result.host = text.substr(0, colon);
        port = std::string_view(text).substr(colon + 1);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || error != std::errc{} || end != port.data() + port.size() || value > 65535)
        throw std::invalid_argument("niepoprawny port w „" + text + "”; dozwolone: [HOST:]PORT, port od 0 do 65535");
    result.port = static_cast<std::uint16_t>(value);
    return result;
}

Descriptor listenTcp(const HostPort& where)
{
    Descriptor s = boundSocket(SOCK_STREAM, where);
    if (::listen(s.get(), 4) != 0) throw std::system_error(errno, std::generic_category(), "listen");
    return s;
}

Descriptor bindUdp(const HostPort& where)
{
    return boundSocket(SOCK_DGRAM, where);
}

std::uint16_t localPort(int socket)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

}
