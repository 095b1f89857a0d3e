// How the channel of a line multiplexer is selected when the link opens.
#pragma once

#include <cstdint>

#include "driver/core/context.h"

namespace kelvo::drv {

enum class ChannelSelection : std::uint8_t {
    None,
    NetworkServer,  // a network serial server behind a virtual COM port, set up over UDP
    Lines,          // DTR and RTS
    ByteSequence,   // 0xFE and the channel while RTS is set
    Request,        // a register request at 9600 bit/s, made by the request engine
};

ChannelSelection channelSelection(const LinkRoute& route, std::uint8_t portNumber);

// Sets or clears RTS and gives the multiplexer its pause to switch.
void setMultiplexerRts(bool on);

}
