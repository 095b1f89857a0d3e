#include "frontend/logic/tcp_link.h"

#include <cstdlib>
#include <strings.h>

namespace kelvo::frontend {

namespace {

constexpr int kConverterOverTcp = 5;
constexpr int kTcp = 6;

}

std::vector<std::string> splitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::optional<TcpLink> tcpLinkOf(const std::string& portSetting, const std::string& tail)
{
    const auto port = splitAt(portSetting.substr(0, portSetting.find(';')), ':');
    if (port.size() < 3 || ::strncasecmp(port[2].c_str(), "MUX", 3) != 0)
        return std::nullopt;
    const int type = std::atoi(port[2].c_str() + 3);
    if (type != kConverterOverTcp && type != kTcp)
        return std::nullopt;
    const auto fields = splitAt(tail, '\t');
    const auto address = fields.size() > 1 ? splitAt(fields[1], ':') : std::vector<std::string>();
    if (address.size() < 4)
        return std::nullopt;
    return TcpLink {address[2], std::atoi(address[3].c_str()), address.size() > 5 ? std::atoi(address[5].c_str()) : 0,
        type == kConverterOverTcp};
}

}
