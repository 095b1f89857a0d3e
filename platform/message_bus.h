// Broadcast window messages between the programs of one user: every
// participant binds a Unix datagram socket in one private folder, and a
// broadcast sends the message to every socket there but the sender's own.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
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

// Whether the folder is a real folder of this user that nobody else may
// enter (mode 0700): whoever can write into it can post orders to a driver
// and read what the driver posts.
bool privateBusFolder(const std::string& folder);

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
    // dead processes are removed. A participant whose queue is full keeps the
    // message, in order behind any it already waits for, until a later
    // broadcast or flush finds room (at most kMaxPending a participant; the
    // newest are dropped beyond that). True when the message was handed to
    // every participant now.
    bool broadcast(const BusMessage& message);

    // Hands kept messages to their participants as their queues free,
    // trying for at most wait; true when none are left.
    bool flush(std::chrono::milliseconds wait);
    std::size_t pendingCount() const;

    static constexpr std::size_t kMaxPending = 65536;

    // Waits up to timeoutMs (0: only what is waiting; negative: until one
    // comes) for one message; sender receives the path of the socket it came
    // from (empty for a sender that is not on the bus).
    std::optional<BusMessage> receive(int timeoutMs, std::string* sender = nullptr);

    // Whether a socket at this path still takes datagrams.
    static bool listening(const std::string& path);
    // Whether any other participant's socket in the folder still takes them.
    bool othersListening() const;

private:
    enum class Delivery : std::uint8_t { Sent, Full, Absent, Failed };
    Delivery sendTo(int sender, const std::string& path, const BusMessage& message);
    // Sends what each participant waits for, in order, until one is full.
    void sendPending(int sender);

    int socket_ = -1;
    std::string folder_;
    std::string name_;
    std::map<std::string, std::deque<BusMessage>> pending_;  // by socket path
};

}
