#include "frontend/logic/working_folder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace kelvo::frontend {

namespace {

constexpr std::size_t kLongestVariable = 512;

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value).substr(0, kLongestVariable);
}

}

std::string chooseWorkingFolder()
{
    if (const auto temp = variable("TEMP"))
        return *temp;
    if (const auto tmp = variable("TMP"))
        return *tmp;
    if (const auto state = variable("XDG_STATE_HOME"))
        return *state + "/kelvor";
    const auto home = variable("HOME");
    return (home ? *home : std::string(".")) + "/.local/state/kelvor";
}

std::optional<std::string> enterWorkingFolder(std::string& startFolder)
{
    std::error_code error;
    startFolder = std::filesystem::current_path(error).string();
    const std::string folder = chooseWorkingFolder();
    std::filesystem::create_directories(folder, error);
    if (::chdir(folder.c_str()) != 0)
        return std::nullopt;
    return folder;
}

}
