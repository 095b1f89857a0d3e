#include "platform/port_map.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <strings.h>

#include "platform/file_access.h"
#include "platform/safe_replace.h"
#include "platform/serial_devices.h"
#include "platform/user_config.h"

namespace kelvo::platform {

namespace {

struct PortName {
    std::string kind;  // "COM" or "LPT"
    unsigned number = 0;
};

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && ::strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

std::optional<unsigned> portNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 3 || digits.front() == '0')
        return std::nullopt;
    unsigned number = 0;
    for (const char c : digits) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            return std::nullopt;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number > 255)
        return std::nullopt;
    return number;
}

std::optional<PortName> parsePortName(std::string_view name)
{
    if (name.starts_with(R"(\\.\)"))
        name.remove_prefix(4);
    for (const std::string_view kind : {"COM", "LPT"}) {
        if (!startsWithNoCase(name, kind))
            continue;
        if (const auto number = portNumber(name.substr(kind.size())))
            return PortName {std::string(kind), *number};
    }
    return std::nullopt;
}

// True when a port map line maps the port named key.
bool mapsPort(const std::string& line, const std::string& key)
{
    const auto start = line.find_first_not_of(" \t");
    const auto equals = line.find('=');
    if (start == std::string::npos || equals == std::string::npos || equals < start)
        return false;
    std::string lineKey = line.substr(start, equals - start);
    while (!lineKey.empty() && (lineKey.back() == ' ' || lineKey.back() == '\t'))
        lineKey.pop_back();
    return ::strcasecmp(lineKey.c_str(), key.c_str()) == 0;
}

std::string mappedInFile(const std::string& key)
{
    std::string path;
    for (const std::string& line : settingsLines(portMapFile())) {
        const auto equals = line.find('=');
        if (!mapsPort(line, key))
            continue;
        const auto value = line.find_first_not_of(" \t", equals + 1);
        path = value == std::string::npos ? std::string() : line.substr(value);
    }
    return path;
}

// The path $KELVO_<key> or the port map names for the port; empty when neither does.
std::string mappedPath(const std::string& key)
{
    if (const char* fromEnvironment = std::getenv(portVariable(key).c_str());
        fromEnvironment != nullptr && *fromEnvironment != '\0')
        return fromEnvironment;
    return mappedInFile(key);
}

}

std::string portMapFile()
{
    return userConfigFile("ports.conf");
}

std::string portVariable(std::string_view portName)
{
    return "KELVO_" + std::string(portName);
}

std::string portDevicePath(std::string_view name)
{
    const auto port = parsePortName(name);
    if (!port)
        return std::string(name);
    if (std::string mapped = mappedPath(port->kind + std::to_string(port->number)); !mapped.empty())
        return mapped;
    const std::string index = std::to_string(port->number - 1);
    return port->kind == "COM" ? "/dev/ttyS" + index : "/dev/lp" + index;
}

bool mapComPort(unsigned number, const std::string& devicePath)
{
    const std::string file = portMapFile();
    if (file.empty()) {
        errno = ENOENT;
        return false;
    }
    const std::string key = "COM" + std::to_string(number);
    std::ostringstream text;
    std::ifstream old(file);
    for (std::string line; std::getline(old, line);)
        if (!mapsPort(line, key))
            text << line << '\n';
    text << key << '=' << preferredDeviceName(devicePath, serialDevices()) << '\n';

    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), error);
    errno = replaceFile(file, text.str(), FileAccess::AsBefore);
    return errno == 0;
}

std::optional<unsigned> comPortOf(const SerialDevice& device)
{
    for (unsigned number = 1; number <= kHighestMappedPort; ++number) {
        const std::string mapped = portDevicePath("COM" + std::to_string(number));
        if (mapped == device.path || sameFile(mapped, device.target))
            return number;
    }
    return std::nullopt;
}

std::vector<SerialDevice> serialDevicesAndMappedPorts()
{
    std::vector<SerialDevice> devices = serialDevices();
    for (unsigned number = 1; number <= kHighestMappedPort; ++number) {
        const std::string path = mappedPath("COM" + std::to_string(number));
        struct stat st {};
        if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            continue;
        const bool listed = std::any_of(devices.begin(), devices.end(),
            [&path](const SerialDevice& device) { return device.path == path || sameFile(device.target, path); });
        if (listed)
            continue;
        std::error_code error;
        const auto target = std::filesystem::canonical(path, error);
        devices.push_back({path, error ? path : target.string(), "urządzenie portu COM" + std::to_string(number)});
    }
    return devices;
}

}
