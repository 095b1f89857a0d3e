// One connection attempt to a TCP address, closed again at once, to tell why
// a link over TCP could not be made: nobody listens, nothing answers in time,
// or the host has no address.
#pragma once

#include <chrono>
#include <string>

namespace kelvo::platform {

enum class TcpReach {
    Connected,
    Refused,      // the host answered that nothing listens on the port
    NoAnswer,     // nothing came back before the time-out
    UnknownHost,  // the name has no IPv4 address
    Failed,       // another failure; its errno is given
};

struct TcpProbe {
    TcpReach reach = TcpReach::Failed;
    int error = 0;  // errno, for Failed
};

TcpProbe probeTcp(const std::string& host, int port, std::chrono::milliseconds timeout);

}
