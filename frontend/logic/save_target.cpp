#include "frontend/logic/save_target.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "frontend/logic/system_reason.h"

namespace kelvo::frontend {

std::optional<std::string> saveTargetProblem(const std::filesystem::path& target)
{
    const std::filesystem::path folder = target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return "folder " + folder.string() + ": " + systemReason(errno);
    if (!S_ISDIR(st.st_mode))
        return folder.string() + " nie jest folderem";
    // A new file is written beside the old one and renamed over it: the folder itself must take writes.
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "folder " + folder.string() + ": " + systemReason(errno);
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return systemReason(EISDIR);
    return std::nullopt;
}

}
