#include "frontend/cli/link_setting.h"

#include <algorithm>
#include <fstream>

#include "platform/file_access.h"

namespace kelvo::frontend::cli {

namespace {

// Multiplexer types of the links beyond the window's kinds.
constexpr int kConverterOverTcp = 5;
constexpr int kTcp = 6;
constexpr int kConverterOnSerialLine = 7;
// The configuration line's identifier field, as the front end always writes it.
constexpr char kIdentifier[] = "KELVO";

template <std::size_t N>
int itemOf(const std::array<std::int32_t, N>& items, int value)
{
    return static_cast<int>(std::find(items.begin(), items.end(), value) - items.begin());
}

}

std::vector<WrittenLine> configurationLines(const std::string& path)
{
    std::vector<WrittenLine> lines;
    std::ifstream in(platform::resolveFileName(path), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with("$"))
            lines.push_back(writtenLine(line));
    }
    return lines;
}

WrittenLine writtenLine(const std::string& line)
{
    WrittenLine written;
    written.text = line;
    const auto first = line.find('\t');
    const auto second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos)
        return written;
    const auto third = line.find('\t', second + 1);
    written.port = line.substr(first + 1, second - first - 1);
    written.tail = third == std::string::npos ? std::string() : line.substr(third + 1);
    written.complete = true;
    return written;
}

std::optional<WrittenLine> firstConfigurationLine(const std::string& path)
{
    const auto lines = configurationLines(path);
    if (lines.empty() || !lines.front().complete)
        return std::nullopt;
    return lines.front();
}

void applyLinkOptions(const CommandLine& c, const std::optional<WrittenLine>& last, ConnectionChoice& choice,
    ParameterRecord& record)
{
    record.linkPort.clear();
    record.linkTail.clear();
    if (!c.changesLink()) {
        if (last) {
            record.linkPort = last->port;
            record.linkTail = last->tail;
        }
        return;
    }
    if (c.port)
        choice.port = *c.port;
    if (c.speed)
        choice.speedItem = itemOf(kSpeeds, *c.speed);
    if (c.mux)
        choice.kindItem = itemOf(kMultiplexerTypes, *c.mux);
    if (c.channel)
        choice.channelItem = *c.channel - 1;
    if (!c.tcp && !c.converter)
        return;

    const std::string timeout = std::to_string(c.timeout.value_or(kDefaultLinkTimeout));
    const std::string repeats = std::to_string(c.repeats.value_or(kDefaultConverterRepeats));
    const std::string speed = std::to_string(kSpeeds[static_cast<std::size_t>(std::clamp(choice.speedItem, 0, 3))]);
    const std::string port = "COM" + std::to_string(choice.port) + ":" + speed + ":MUX";
    const std::string channel = std::to_string(c.channel.value_or(1));
    if (c.tcp) {
        const std::string address = "TCP:0:" + c.tcp->host + ":" + std::to_string(c.tcp->port) + ":";
        if (c.converter) {
            record.linkPort = port + std::to_string(kConverterOverTcp) + ":" + channel;
            record.linkTail = std::string(kIdentifier) + "\t" + address + *c.converterId + ":" + timeout + ":" + repeats;
        } else {
            // Channel 0: the far end is reached as it is, no network serial server is set up behind a COM port.
            record.linkPort = port + std::to_string(kTcp) + ":0";
            record.linkTail = std::string(kIdentifier) + "\t" + address + kIdentifier + ":" + timeout + ":0";
        }
    } else {
        record.linkPort = port + std::to_string(kConverterOnSerialLine) + ":" + channel;
        record.linkTail = std::string(kIdentifier) + "\t" + *c.converterId + ":" + timeout + ":" + repeats;
    }
}

}
