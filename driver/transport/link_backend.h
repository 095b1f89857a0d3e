// One backend per way of reaching the register: a serial port (direct, or to
// a line converter) or a TCP connection. The link layer picks one by the
// configured link kind and reaches the line only through it.
#pragma once

#include <cstdint>
#include <span>

namespace kelvo::drv {

struct LinkBackend {
    bool (*open)();                                   // true when the connection is open
    void (*close)();
    bool (*send)(std::span<const std::uint8_t>);      // stores the failure's condition
    bool (*receive)(std::uint8_t&, std::uint8_t timeoutCondition);  // stores timeoutCondition on a time-out
    void (*purge)();
};

const LinkBackend& serialBackend();
const LinkBackend& tcpBackend();

}
