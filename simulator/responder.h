// What sits at the far end of the line: the register itself, or the line
// converter in front of it. It takes the bytes the driver sends one at a
// time and says what to send back.
#pragma once

#include "simulator/bytes.h"

#include <cstdint>
#include <vector>

namespace kelvo::sim {

struct Reply {
    std::vector<Bytes> answers;  // each goes out after the turnaround delay
    bool hangUp = false;         // close the line after the answers
};

class Responder {
public:
    virtual ~Responder() = default;
    virtual Reply feed(std::uint8_t byte) = 0;
    // The line went quiet in the middle of a request: forget it.
    virtual void lineQuiet() = 0;
};

}
