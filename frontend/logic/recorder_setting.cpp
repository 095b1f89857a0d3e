#include "frontend/logic/recorder_setting.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/private_file.h"
#include "platform/user_config.h"

namespace kelvo::frontend {

namespace {

constexpr char kFileName[] = "nagrywarka.conf";
constexpr std::string_view kKey = "nagrywarka=";

}

std::string chosenRecorder()
{
    for (const std::string& line : platform::settingsLines(platform::userConfigFile(kFileName)))
        if (line.starts_with(kKey))
            return line.substr(kKey.size());
    return {};
}

std::string recorderAddress()
{
    if (const char* named = std::getenv("KELVO_CD_DRIVE"); named != nullptr && *named != '\0')
        return named;
    return chosenRecorder();
}

bool saveChosenRecorder(const std::string& address)
{
    if (address.find('\n') != std::string::npos)
        return false;
    const std::string path = platform::userConfigFile(kFileName);
    const std::string line = std::string(kKey) + address + "\n";
    return !path.empty() && platform::replacePrivateFile(path, std::vector<unsigned char>(line.begin(), line.end()));
}

}
