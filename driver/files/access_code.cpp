#include "driver/files/access_code.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "driver/core/result_codes.h"
#include "driver/files/validators.h"
#include "platform/user_config.h"

namespace kelvo::drv {

namespace {

constexpr std::size_t kStoredBytes = 8;

}

std::string accessCodeFile()
{
    return platform::userConfigFile("access-code.conf");
}

std::optional<AccessCode> settlementAccessCode()
{
    const std::vector<std::string> lines = platform::settingsLines(accessCodeFile());
    if (lines.empty()) {
        storeCondition(condition::ConfigurationIncomplete);
        return std::nullopt;
    }
    std::istringstream words(lines.front());
    std::vector<std::optional<std::uint8_t>> stored;
    for (std::string word; words >> word;)
        stored.push_back(parseByte(word));
    const bool allBytes = std::all_of(stored.begin(), stored.end(), [](const auto& value) { return value.has_value(); });
    if (lines.size() != 1 || stored.size() != kStoredBytes || !allBytes) {
        storeCondition(condition::ConfigurationFormat);
        return std::nullopt;
    }
    AccessCode code {};
    for (std::size_t k = 0; k < code.size(); ++k)
        code[k] = static_cast<std::uint8_t>(*stored[2 * k] + *stored[2 * k + 1]);
    return code;
}

}
