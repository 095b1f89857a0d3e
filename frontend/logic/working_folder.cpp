#include "frontend/logic/working_folder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "frontend/logic/system_reason.h"
#include "platform/descriptor.h"

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

std::optional<std::string> temporaryFolder()
{
    if (const auto temp = variable("TEMP"))
        return temp;
    return variable("TMP");
}

// What is wrong with a private folder as found; empty when it will do.
std::string privacyProblem(const struct stat& st)
{
    if (st.st_uid != ::geteuid())
        return "należy do innego użytkownika";
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return "jest dostępny dla innych użytkowników (wymagane prawa 0700)";
    return {};
}

// Enters the private folder through a descriptor, so that what was checked is
// what becomes current; a link in its place is refused. Why not, when not.
std::string enterPrivateFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return systemReason(errno);
    const platform::Descriptor opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (opened.get() < 0 || ::fstat(opened.get(), &st) != 0)
        return "nie jest folderem (może być dowiązaniem)";
    if (const std::string problem = privacyProblem(st); !problem.empty())
        return problem;
    return ::fchdir(opened.get()) == 0 ? std::string() : systemReason(errno);
}

std::string enterStateFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return ::chdir(folder.c_str()) == 0 ? std::string() : systemReason(errno);
}

}

std::string privateFolderIn(const std::string& temporaryFolder)
{
    return temporaryFolder + "/kelvor-" + std::to_string(::geteuid());
}

std::string chooseWorkingFolder()
{
    if (const auto temporary = temporaryFolder())
        return privateFolderIn(*temporary);
    if (const auto state = variable("XDG_STATE_HOME"))
        return *state + "/kelvor";
    const auto home = variable("HOME");
    return (home ? *home : std::string(".")) + "/.local/state/kelvor";
}

std::optional<std::string> enterWorkingFolder(std::string& startFolder, std::string& problem)
{
    std::error_code error;
    startFolder = std::filesystem::current_path(error).string();
    const std::string folder = chooseWorkingFolder();
    const std::string reason = temporaryFolder() ? enterPrivateFolder(folder) : enterStateFolder(folder);
    if (reason.empty()) {
        problem.clear();
        return folder;
    }
    problem = "nie można użyć folderu roboczego " + folder + ": " + reason;
    return std::nullopt;
}

}
