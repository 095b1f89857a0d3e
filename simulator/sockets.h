// Loopback-friendly socket helpers for the TCP listener and the UDP responder.
#pragma once

#include "platform/descriptor.h"

#include <cstdint>
#include <string>

namespace kelvo::sim {

// The product's descriptor owner: a header alone, so the simulator still links
// none of the product's code.
using platform::Descriptor;

struct HostPort {
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
};

// "PORT", "HOST:PORT"; throws std::invalid_argument.
HostPort parseHostPort(const std::string& text);

// Bound (and for TCP listening) sockets; throw std::system_error.
Descriptor listenTcp(const HostPort& where);
Descriptor bindUdp(const HostPort& where);

std::uint16_t localPort(int socket);

}
