// State of the conversation with the register: the exchange buffer, the
// converter's answer data, and the port-sharing server's hold on the driver.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/message_bus.h"

namespace kelvo::drv {

// One byte array for requests and answers: request data byte j (1 to 255)
// stands at 257 + j, answer byte j at 1 + j, and the first byte of a
// data-first second answer in the status cell at 256.
struct ExchangeBuffer {
    static constexpr std::size_t kStatusCell = 256;
    static constexpr std::size_t kRequestBase = 257;
    static constexpr std::size_t kAnswerBase = 1;

    std::array<std::uint8_t, kRequestBase + 256> bytes {};

    std::uint8_t& requestData(unsigned j) { return bytes[kRequestBase + (j & 0xFF)]; }
    std::uint8_t& answer(unsigned j) { return bytes[kAnswerBase + (j & 0xFF)]; }
    std::uint8_t& statusCell() { return bytes[kStatusCell]; }
};

// The data of the last converter answer (and the parts appended to it),
// read byte by byte by the request engine.
struct ConverterData {
    static constexpr std::size_t kMaxData = 512;  // both answers of the longest request
    std::vector<std::uint8_t> data;
    std::size_t position = 0;
    bool continuation = false;
    bool somethingReceived = false;
    bool speedPending = false;
};

// A message taken off the bus, with the socket it came from.
struct QueuedMessage {
    platform::BusMessage message;
    std::string sender;
};

struct RequestState {
    ExchangeBuffer buffer;
    ConverterData converter;
    bool suspended = false;
    std::string suspendedBy;  // the bus socket of the server that suspended the driver
    // Messages taken off the bus and not yet handled, as a window thread's queue holds them.
    std::deque<QueuedMessage> queue;
};

}
