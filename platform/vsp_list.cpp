#include "platform/vsp_list.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/user_config.h"

namespace kelvo::platform {

namespace {

std::string upperCased(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Like an address value that cannot be read, an unreadable address counts as 0.
std::string dottedAddress(const std::string& text)
{
    in_addr address {};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1)
        address.s_addr = 0;
    char dotted[INET_ADDRSTRLEN] {};
    ::inet_ntop(AF_INET, &address, dotted, sizeof dotted);
    return dotted;
}

}

std::string vspListFile()
{
    if (const char* file = std::getenv("KELVO_VSP_FILE"); file != nullptr && *file != '\0')
        return file;
    return userConfigFile("vsp.conf");
}

std::string forwardingAddress(std::string_view portName)
{
    std::string found;
    for (const std::string& line : settingsLines(vspListFile())) {
        std::istringstream fields(line);
        std::string name;
        std::string address;
        fields >> name >> address;
        if (upperCased(name) == portName)
            found = dottedAddress(address);
    }
    return found;
}

}
