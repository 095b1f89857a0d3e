// One const table of operations per way of reaching the register: a serial
// line, a serial line to a line converter, a TCP connection, and converter
// framing wrapped around any of them. The link core and the request engine
// reach the line only through the table of the open link and never ask
// which one it is.
#pragma once

#include <cstdint>
#include <span>

#include "driver/core/context.h"

namespace kelvo::drv {

// A register request as one piece: what a link that carries whole
// transactions sends instead of the request's separate bytes.
struct Transaction {
    std::uint8_t command = 0;
    std::uint8_t c = 0;  // first-answer length
    std::uint8_t n = 0;  // second-answer length
    std::uint8_t recordLength = 0;
    bool firstThenData = false;
    bool dataFirst = false;
    std::span<const std::uint8_t> data;
};

struct LinkOperations {
    bool (*open)();                                   // true when the connection is open
    void (*close)();
    bool (*send)(std::span<const std::uint8_t>);      // may store the failure's condition
    bool (*receive)(std::uint8_t&, std::uint8_t timeoutCondition);  // stores timeoutCondition on a time-out
    void (*purge)();                                  // drops what waits in the buffers
    bool (*waitUntilSent)();                          // false when the bytes could not be put on the wire
    bool (*carrierReady)();                           // stores the failure's condition
    std::uint8_t timeoutCondition;                    // the condition of a receive time-out
    bool (*afterOpen)();                              // set-up before the first request after an open
    bool (*transact)(const Transaction&);             // carries a whole request; the others do nothing here
    bool fixedAnswerLength;                           // an answer holds exactly the bytes asked for
    bool (*alive)();                                  // false once the line has hung up or failed for good
};

// The operation of a line that has nothing to do for it.
inline bool nothingToDo()
{
    return true;
}

// Lines that carry a request's bytes one by one have no transaction to send.
inline bool noTransaction(const Transaction&)
{
    return true;
}

// The table for a route: the one backend selector.
const LinkOperations& linkOperationsFor(const LinkRoute& route);

// The tables of the plain lines, for the framing that wraps them.
extern const LinkOperations kSerialLine;
extern const LinkOperations kConverterSerialLine;
extern const LinkOperations kTcpLine;

}
