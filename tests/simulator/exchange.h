// Feeding bytes to the simulated line end in-process and collecting what it
// sends back.
#pragma once

#include "simulator/responder.h"

#include <initializer_list>

namespace kelvo::sim::test {

struct Collected {
    Bytes bytes;
    bool hangUp = false;
};

inline Collected talk(Responder& responder, std::span<const std::uint8_t> in)
{
    Collected out;
    for (std::uint8_t b : in) {
        const Reply reply = responder.feed(b);
        for (const Bytes& a : reply.answers) out.bytes.insert(out.bytes.end(), a.begin(), a.end());
        out.hangUp = out.hangUp || reply.hangUp;
    }
    return out;
}

inline Collected talk(Responder& responder, std::initializer_list<std::uint8_t> in)
{
    return talk(responder, std::span<const std::uint8_t>(in.begin(), in.size()));
}

}
