// The line converter in front of the register: it takes a whole register
// transaction in one frame, runs it on the register's line and answers with
// one frame (status byte and every byte the register sent), split into parts
// that say "more follows" when the answer is long. It also answers the
// converter's own commands 1 to 9.
#pragma once

#include "simulator/converter_frame.h"
#include "simulator/register.h"

#include <cstdint>
#include <string>

namespace kelvo::sim {

class Converter : public Responder {
public:
    Converter(Register& target, RequestLog& log);

    Reply feed(std::uint8_t byte) override;
    void lineQuiet() override;

    std::uint8_t speedCode() const { return speedCode_; }
    const std::string& linkIdentifier() const { return identifier_; }

private:
    Reply onFrame(const ReceivedFrame& frame);
    Reply transaction(const Bytes& content);
    Reply command(std::uint8_t type, std::span<const std::uint8_t> data);
    Reply answer(std::uint8_t status, std::span<const std::uint8_t> data);
    Reply nextPart();
    Reply send(const Bytes& payload);

    Register& register_;
    RequestLog& log_;
    FrameReader reader_;
    Bytes lastPayload_;  // status and data of the last answer frame, for command 6
    Bytes rest_;         // answer bytes still to go in later parts
    std::string identifier_ = "KELVO001";
    std::uint8_t speedCode_ = 0;
};

}
