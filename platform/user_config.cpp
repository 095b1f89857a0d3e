#include "platform/user_config.h"

#include <cstdlib>
#include <fstream>

namespace kelvo::platform {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string trimmed(const std::string& line)
{
    constexpr const char* blanks = " \t\r\n";
    const auto first = line.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

// NAME under kelvor's folder of a base directory: the XDG variable's folder,
// else the given folder under $HOME.
std::string userFile(const char* xdgVariable, const char* underHome, std::string_view name)
{
    if (const std::string base = variable(xdgVariable); !base.empty())
        return base + "/kelvor/" + std::string(name);
    if (const std::string home = variable("HOME"); !home.empty())
        return home + "/" + underHome + "/kelvor/" + std::string(name);
    return {};
}

}

std::string userConfigFile(std::string_view name)
{
    return userFile("XDG_CONFIG_HOME", ".config", name);
}

std::string userDataFile(std::string_view name)
{
    return userFile("XDG_DATA_HOME", ".local/share", name);
}

std::string userCacheFile(std::string_view name)
{
    return userFile("XDG_CACHE_HOME", ".cache", name);
}

std::vector<std::string> settingsLines(const std::string& path)
{
    std::vector<std::string> lines;
    if (path.empty())
        return lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (!line.empty() && line.front() != '#')
            lines.push_back(std::move(line));
    }
    return lines;
}

}
