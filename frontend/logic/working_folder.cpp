#include "frontend/logic/working_folder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
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

std::optional<std::string> temporaryFolder()
{
    if (const auto temp = variable("TEMP"))
        return temp;
    return variable("TMP");
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// What is wrong with a private folder as found; empty when it will do.
std::string privacyProblem(const std::string& folder, const struct stat& st)
{
    if (st.st_uid != ::geteuid())
        return "FOLDER ROBOCZY " + folder + " NALEŻY DO INNEGO UŻYTKOWNIKA";
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return "FOLDER ROBOCZY " + folder + " JEST DOSTĘPNY DLA INNYCH UŻYTKOWNIKÓW (WYMAGANE PRAWA 0700)";
    return {};
}

// Enters the private folder through a descriptor, so that what was checked is
// what becomes current; a link in its place is refused.
bool enterPrivateFolder(const std::string& folder, std::string& problem)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = "NIE MOŻNA UTWORZYĆ FOLDERU ROBOCZEGO " + folder;
        return false;
    }
    const Descriptor opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (opened.get() < 0 || ::fstat(opened.get(), &st) != 0) {
        problem = "FOLDER ROBOCZY " + folder + " NIE JEST FOLDEREM (MOŻE BYĆ DOWIĄZANIEM)";
        return false;
    }
    problem = privacyProblem(folder, st);
    if (problem.empty() && ::fchdir(opened.get()) != 0)
        problem = "NIE MOŻNA WEJŚĆ DO FOLDERU ROBOCZEGO " + folder;
    return problem.empty();
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
    problem.clear();
    const std::string folder = chooseWorkingFolder();
    if (temporaryFolder()) {
        if (!enterPrivateFolder(folder, problem))
            return std::nullopt;
        return folder;
    }
    std::filesystem::create_directories(folder, error);
    if (::chdir(folder.c_str()) != 0) {
        problem = "NIE MOŻNA WEJŚĆ DO FOLDERU ROBOCZEGO " + folder;
        return std::nullopt;
    }
    return folder;
}

}
