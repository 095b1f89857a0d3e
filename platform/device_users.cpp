#include "platform/device_users.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::platform {

namespace {

using Folder = std::unique_ptr<DIR, int (*)(DIR*)>;

bool hasOpen(pid_t pid, dev_t device)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    const Folder descriptors(::opendir(fds.c_str()), ::closedir);
    if (!descriptors)
        return false;
    while (const dirent* fd = ::readdir(descriptors.get())) {
        struct stat open {};
        if (fd->d_name[0] != '.' && ::stat((fds + "/" + fd->d_name).c_str(), &open) == 0 && S_ISCHR(open.st_mode)
            && open.st_rdev == device)
            return true;
    }
    return false;
}

}

std::string programName(pid_t pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

std::optional<LockHolder> deviceUser(dev_t device)
{
    const Folder processes(::opendir("/proc"), ::closedir);
    if (!processes)
        return std::nullopt;
    while (const dirent* process = ::readdir(processes.get())) {
        const pid_t pid = static_cast<pid_t>(std::atoi(process->d_name));
        if (pid > 0 && pid != ::getpid() && hasOpen(pid, device))
            return LockHolder {pid, programName(pid)};
    }
    return std::nullopt;
}

}
