// Broadcast window messages between the programs of one user: every
// participant binds a Unix datagram socket in one private folder, and a
// broadcast sends the message to every socket there but the sender's own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kelvo::platform {

struct BusMessage {
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;

    bool operator==(const BusMessage&) const = default;
};

// The bus folder: $KELVO_BUS_DIR, else $XDG_RUNTIME_DIR/kelvo-bus, else
// /tmp/kelvo-bus-<uid>.
std::string busDirectory();

class MessageBus {
public:
    MessageBus() = default;
    ~MessageBus();
    MessageBus(const MessageBus&) = delete;
    MessageBus& operator=(const MessageBus&) = delete;

    // Creates this participant's socket in the bus folder (made with mode
    // 0700 when missing; a folder another user owns or can enter is refused).
    bool join();
    bool joined() const { return socket_ >= 0; }
    void leave();

    // Sends to every other participant without ever blocking; sockets left by
    // dead processes are removed. True when the message was handed to all
    // participants that are alive and not full.
    bool broadcast(const BusMessage& message);

    // Waits up to timeoutMs (0: only what is waiting; negative: until one
    // comes) for one message.
    std::optional<BusMessage> receive(int timeoutMs);

private:
    int socket_ = -1;
    std::string folder_;
    std::string name_;
};

}
