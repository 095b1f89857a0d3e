// Where the simulator listens: a pseudo-terminal or a TCP port for the
// register line, and optionally a UDP port for the network serial server's
// set-up commands. One client at a time; the loop runs until asked to stop,
// or with `once` until the first client has gone.
#pragma once

#include "simulator/line_writer.h"
#include "simulator/net_serial.h"
#include "simulator/pseudo_terminal.h"
#include "simulator/receive_pacing.h"
#include "simulator/request_log.h"
#include "simulator/responder.h"
#include "simulator/sockets.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace kelvo::sim {

struct ListenerOptions {
    std::optional<std::string> ptyPath;
    std::optional<HostPort> tcp;
    std::optional<HostPort> udp;
    bool once = false;
    LineTiming timing;
    // The speed the register is set to. On a pseudo-terminal whose client set
    // another speed, the bytes are what a register makes of a line at the
    // wrong speed: nothing it answers.
    std::optional<std::uint32_t> lineSpeed;
    // A request that stops arriving for this long is forgotten.
    std::chrono::milliseconds quietAfter{500};
};

class Listener {
public:
    // Opens every endpoint; throws std::system_error or std::invalid_argument.
    Listener(const ListenerOptions& options, Responder& responder, RequestLog& log);

    // Serves until `stop` is set, or (with once) the first client has gone.
    void run(const std::atomic<bool>& stop);

    // Bytes that crossed the register line, for comparing a client's time
    // with the time the wire itself needs.
    std::uint64_t bytesReceived() const { return bytesReceived_; }
    std::uint64_t bytesSent() const { return bytesSent_; }

    std::uint16_t tcpPort() const;
    std::uint16_t udpPort() const;
    std::string ptySlave() const;

private:
    enum class Line : std::uint8_t { Open, Gone };

    Line serveBytes(int fd);
    void answerUdp();
    void dropClient();

    ListenerOptions options_;
    Responder& responder_;
    RequestLog& log_;
    std::unique_ptr<PseudoTerminal> pty_;
    Descriptor tcpListen_;
    Descriptor client_;
    Descriptor udp_;
    NetSerialState netSerial_;
    ReceivePacing receiving_;
    bool ptyClient_ = false;
    std::chrono::steady_clock::time_point lastByte_{};
    std::uint64_t bytesReceived_ = 0;
    std::uint64_t bytesSent_ = 0;
};

}
