#include "frontend/logic/kept_records_setting.h"

#include <algorithm>
#include <string>

#include "platform/private_file.h"
#include "platform/user_config.h"

namespace kelvo::frontend {

namespace {

constexpr char kFileName[] = "pamiec-rekordow.conf";
constexpr char kOff[] = "pamiec-rekordow=nie";
constexpr char kOn[] = "pamiec-rekordow=tak";

}

bool keptRecordsWanted()
{
    const auto lines = platform::settingsLines(platform::userConfigFile(kFileName));
    return std::find(lines.begin(), lines.end(), kOff) == lines.end();
}

bool saveKeptRecordsWanted(bool on)
{
    const std::string path = platform::userConfigFile(kFileName);
    const std::string line = std::string(on ? kOn : kOff) + "\n";
    return !path.empty() && platform::replacePrivateFile(path, std::vector<unsigned char>(line.begin(), line.end()));
}

}
