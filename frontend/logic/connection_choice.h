// The connection window's choices, what the last KONFIG.TXT prefills, and the
// parameter record they make.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "frontend/logic/parameter_record.h"
#include "platform/serial_devices.h"

namespace kelvo::frontend {

inline constexpr std::array<std::int32_t, 4> kSpeeds {9600, 19200, 28800, 57600};
inline constexpr std::array<std::int32_t, 3> kMultiplexerTypes {0, 1, 4};

struct ConnectionChoice {
    std::int32_t port = 1;     // 1 to 99
    int speedItem = 0;         // index into kSpeeds
    int kindItem = 0;          // index into kMultiplexerTypes
    int channelItem = 0;       // channel - 1
};

// The six values of the last configuration line, when it reads correctly.
struct LastConnection {
    std::int32_t port = 0;
    std::int32_t speed = 0;
    std::int32_t multiplexerType = 0;
    std::int32_t channel = 0;
    std::int32_t timeout = 0;

    bool operator==(const LastConnection&) const = default;
};

std::optional<LastConnection> readLastConnection(const std::string& path);

// The channel list of a connection kind: "1" to "4" in one column for the
// four-channel multiplexer, "1" to "8" in two columns for the eight-channel
// one (as it also stands before the kind is first chosen).
struct ChannelList {
    int count = 8;
    int columns = 2;
};
ChannelList channelList(int kindItem);

// The channel kept when the list is rebuilt: the one chosen while it still
// exists, else the first.
int channelAfterRebuild(int channelItem, const ChannelList& list);

// Copies the last connection into the record and the window's choices.
void prefill(const LastConnection& last, ParameterRecord& record, ConnectionChoice& choice);

// The record as "&Dalej" takes it from the window: a direct connection always
// uses channel 1; the identity commands run with a 2-second time-out.
void takeChoice(const ConnectionChoice& choice, ParameterRecord& record);

// Beside the port: the device COMn leads to, and whether it is there.
std::string portDeviceLabel(std::int32_t port);

// A found device as the drop-down lists it: its path and what it is.
std::string deviceItemText(const platform::SerialDevice& device);

// Maps COM<port> to the device in the port map, for this program's later
// driver calls and for later runs. The reason in Polish when the map cannot
// be written, else empty.
std::string mapPortDevice(std::int32_t port, const std::string& path);

// The same, and a KELVO_COM<port> variable, which would count over the map,
// is dropped for this process. It changes the environment, so only the
// program's main thread calls it.
std::string choosePortDevice(std::int32_t port, const std::string& path);

}
