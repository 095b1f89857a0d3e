#include "platform/folder_lock.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/device_users.h"

namespace kelvo::platform {

FolderLock::FolderLock(const std::string& folder)
    : descriptor_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    acquired_ = descriptor_.valid() && ::flock(descriptor_.get(), LOCK_EX | LOCK_NB) == 0;
}

std::optional<LockHolder> flockHolder(const std::string& path)
{
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0)
        return std::nullopt;
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiting lock's line has "->" and is not a holder.
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        if (line.find("->") != std::string::npos)
            continue;
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, device;
        pid_t pid = 0;
        if (!(fields >> number >> kind >> advisory >> mode >> pid >> device) || kind != "FLOCK")
            continue;
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(device.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3)
            continue;
        if (inode != file.st_ino || major != ::major(file.st_dev) || minor != ::minor(file.st_dev))
            continue;
        return LockHolder {pid, programName(pid)};
    }
    return std::nullopt;
}

}
