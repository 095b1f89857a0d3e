#include "driver/transport/network_serial_server.h"

#include <arpa/inet.h>
#include <array>
#include <kelvo/kelvodrv.h>
#include <netinet/in.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "platform/descriptor.h"

namespace kelvo::drv {

namespace {

constexpr std::uint16_t kServerPort = 65535;

constexpr std::array<std::pair<std::uint32_t, std::string_view>, 12> kSpeedCommands {{
    {150, "PBR8"}, {300, "PBR9"}, {600, "PBR10"}, {1200, "PBR0"}, {2400, "PBR1"}, {4800, "PBR2"},
    {9600, "PBR3"}, {19200, "PBR4"}, {28800, "PBR11"}, {38400, "PBR5"}, {57600, "PBR6"}, {115200, "PBR7"},
}};

std::vector<std::string_view> channelCommands(std::uint8_t channel)
{
    switch (channel) {
    case 1: return {"PS00", "PS11"};
    case 2: return {"PS00", "PS10"};
    case 3: return {"PS01", "PS11"};
    case 4: return {"PS01", "PS10"};
    default: return {};
    }
}

class UdpSession {
public:
    UdpSession(const std::string& address, std::uint32_t timeoutSeconds) : timeoutMs_(timeoutSeconds * 1000)
    {
        sockaddr_in server {};
        server.sin_family = AF_INET;
        server.sin_port = htons(kServerPort);
        if (::inet_pton(AF_INET, address.c_str(), &server.sin_addr) != 1)
            return;
        fd_ = platform::Descriptor(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (fd_.valid() && ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&server), sizeof(server)) != 0)
            fd_.reset();
    }

    // Sends one command and waits for its 'A'.
    bool command(std::string_view text)
    {
        if (!fd_.valid() || ::send(fd_.get(), text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size()))
            return false;
        pollfd waiting {fd_.get(), POLLIN, 0};
        const int wait = timeoutMs_ > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(timeoutMs_);
        std::uint8_t answer[16];
        return ::poll(&waiting, 1, wait) == 1 && ::recv(fd_.get(), answer, sizeof(answer), 0) == 1 && answer[0] == 'A';
    }

private:
    platform::Descriptor fd_;
    std::uint64_t timeoutMs_;
};

}

std::string forwardingAddress(std::uint8_t portNumber)
{
    const char* address = PIPAdress(portNumber);
    return address == nullptr ? std::string() : std::string(address);
}

bool configureNetworkSerialServer(const std::string& address, std::uint8_t channel, std::uint32_t speed)
{
    UdpSession session(address, ctx.connection.writeTimeout);
    bool ok = session.command("R") && session.command("PS11") && session.command("PS31");
    if (ok && channel != 0) {
        const auto commands = channelCommands(channel);
        ok = !commands.empty();
        for (std::string_view text : commands)
            ok = ok && session.command(text);
    }
    if (ok) {
        bool listed = false;
        for (const auto& [listedSpeed, text] : kSpeedCommands)
            if (listedSpeed == speed) {
                listed = true;
                ok = session.command(text);
            }
        if (!listed && channel == 0)
            ok = false;
    }
    if (!ok)
        failWith(condition::SocketFailure);
    return ok;
}

}
