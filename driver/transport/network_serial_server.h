// A network serial server behind a virtual COM port: set up over UDP with
// short text commands, each answered by 'A'.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::drv {

// The address a virtual COM port forwards to, empty for a real port.
std::string forwardingAddress(std::uint8_t portNumber);

// Sets the server's channel (when channel is not 0) and speed. With a channel
// step a speed outside the server's list is left as it is; without one it is a
// failure. Stores 65 on any failure.
bool configureNetworkSerialServer(const std::string& address, std::uint8_t channel, std::uint32_t speed);

}
