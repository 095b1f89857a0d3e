#include "frontend/logic/connection_choice.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <kelvo/kelvodrv.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "frontend/logic/system_reason.h"
#include "platform/port_map.h"

namespace kelvo::frontend {

namespace {

std::optional<std::int32_t> decimal(const std::string& text)
{
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoi(text);
}

// "COM12" gives 12, "MUX4" gives 4: the first three characters count as zeros.
std::optional<std::int32_t> afterPrefix(const std::string& text)
{
    if (text.size() <= 3)
        return std::nullopt;
    return decimal("000" + text.substr(3));
}

std::vector<std::string> colonParts(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ':')
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

template <std::size_t N>
std::optional<int> itemOf(const std::array<std::int32_t, N>& items, std::int32_t value)
{
    const auto found = std::find(items.begin(), items.end(), value);
    if (found == items.end())
        return std::nullopt;
    return static_cast<int>(found - items.begin());
}

}

std::optional<LastConnection> readLastConnection(const std::string& path)
{
    int handle = -1;
    if (OtwartoPlik(&handle, path.c_str(), 0) == 0)
        return std::nullopt;
    char line[1024] {};
    char field[1024] {};
    unsigned char wrongKind = 0;
    unsigned char byte = 0;
    std::uint32_t word = 0;
    std::optional<LastConnection> last;
    if (OdczytanoZPlikuLinieDanych(handle, line, &wrongKind) != 0 && NapisZawieraDana(line, 1, field) != 0
        && PoprawnaLiczbaTypuByte(field, &byte) != 0 && NapisZawieraDana(line, 2, field) != 0) {
        const std::vector<std::string> parts = colonParts(field);
        char timeout[1024] {};
        if (parts.size() >= 4 && NapisZawieraDana(line, 3, timeout) != 0 && PoprawnaLiczbaTypuWord(timeout, &word) != 0) {
            const auto port = afterPrefix(parts[0]);
            const auto speed = decimal(parts[1]);
            const auto type = afterPrefix(parts[2]);
            const auto channel = decimal(parts[3]);
            if (port && speed && type && channel)
                last = LastConnection {*port, *speed, *type, *channel, static_cast<std::int32_t>(word)};
        }
    }
    ZamknieciePliku(&handle);
    return last;
}

ChannelList channelList(int kindItem)
{
    return kindItem == 1 ? ChannelList {4, 1} : ChannelList {8, 2};
}

int channelAfterRebuild(int channelItem, const ChannelList& list)
{
    return channelItem >= 0 && channelItem < list.count ? channelItem : 0;
}

void prefill(const LastConnection& last, ParameterRecord& record, ConnectionChoice& choice)
{
    record.port = last.port;
    record.speed = last.speed;
    record.multiplexerType = last.multiplexerType;
    record.channel = last.channel;
    record.portTimeout = last.timeout;
    choice.port = std::clamp(last.port, 1, 99);
    if (const auto item = itemOf(kSpeeds, last.speed))
        choice.speedItem = *item;
    if (const auto item = itemOf(kMultiplexerTypes, last.multiplexerType))
        choice.kindItem = *item;
    choice.channelItem = last.channel - 1;
}

void takeChoice(const ConnectionChoice& choice, ParameterRecord& record)
{
    record.port = choice.port;
    record.speed = kSpeeds[static_cast<std::size_t>(std::clamp(choice.speedItem, 0, 3))];
    record.multiplexerType = kMultiplexerTypes[static_cast<std::size_t>(std::clamp(choice.kindItem, 0, 2))];
    record.channel = record.multiplexerType == 0 ? 1 : choice.channelItem + 1;
    record.portTimeout = 2;
}

std::string portDeviceLabel(std::int32_t port)
{
    const std::string path = platform::portDevicePath("COM" + std::to_string(port));
    struct stat st {};
    return "→ " + path + (::stat(path.c_str(), &st) == 0 ? "" : " (brak urządzenia)");
}

std::string deviceItemText(const platform::SerialDevice& device)
{
    std::string text = device.path;
    if (device.target != device.path)
        text += " → " + device.target;
    return device.description.empty() ? text : text + " (" + device.description + ")";
}

std::string mapPortDevice(std::int32_t port, const std::string& path)
{
    return platform::mapComPort(static_cast<unsigned>(port), path) ? std::string() : systemReason(errno);
}

std::string choosePortDevice(std::int32_t port, const std::string& path)
{
    std::string problem = mapPortDevice(port, path);
    if (problem.empty())
        ::unsetenv(platform::portVariable("COM" + std::to_string(port)).c_str());
    return problem;
}

}
