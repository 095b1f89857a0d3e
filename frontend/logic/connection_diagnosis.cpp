#include "frontend/logic/connection_diagnosis.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frontend/logic/driver_messages.h"
#include "frontend/logic/seat_access.h"
#include "frontend/logic/system_reason.h"
#include "platform/descriptor.h"
#include "platform/folder_lock.h"
#include "platform/port_map.h"

namespace kelvo::frontend {

namespace {

std::string programName(pid_t pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? std::string("program") : name;
}

// A process other than this one with the device open, found among the
// descriptors in /proc that this user may see; 0 when none is found.
pid_t deviceUser(dev_t device)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> processes(::opendir("/proc"), ::closedir);
    if (!processes)
        return 0;
    while (const dirent* process = ::readdir(processes.get())) {
        const pid_t pid = static_cast<pid_t>(std::atoi(process->d_name));
        if (pid <= 0 || pid == ::getpid())
            continue;
        const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
        const std::unique_ptr<DIR, int (*)(DIR*)> descriptors(::opendir(fds.c_str()), ::closedir);
        if (!descriptors)
            continue;
        while (const dirent* fd = ::readdir(descriptors.get())) {
            struct stat open {};
            if (fd->d_name[0] != '.' && ::stat((fds + "/" + fd->d_name).c_str(), &open) == 0 && S_ISCHR(open.st_mode)
                && open.st_rdev == device)
                return pid;
        }
    }
    return 0;
}

std::string busyText(const std::string& path, dev_t device)
{
    std::string text = "zajęty przez inny program";
    if (const auto holder = platform::flockHolder(path))
        return text + " (" + (holder->program.empty() ? programName(holder->pid) : holder->program) + ", PID "
            + std::to_string(holder->pid) + ")";
    if (const pid_t pid = deviceUser(device))
        return text + " (" + programName(pid) + ", PID " + std::to_string(pid) + ")";
    return text;
}

std::string permissionText(const struct stat& st)
{
    const group* owner = ::getgrgid(st.st_gid);
    const std::string name = owner != nullptr ? owner->gr_name : "dialout";
    return "brak uprawnień; dodaj użytkownika do grupy " + name + " (sudo usermod -aG " + name
        + " $USER) i zaloguj się ponownie";
}

}

// What stands at the path, as the driver's open of it would find it.
std::string deviceProblem(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        struct stat link {};
        if (errno == ENOENT && ::lstat(path.c_str(), &link) == 0)
            return "dowiązanie prowadzi do urządzenia, którego nie ma (odłączone?)";
        return errno == ENOENT ? "nie ma takiego pliku (urządzenie odłączone albo źle wskazane)" : systemReason(errno);
    }
    if (S_ISDIR(st.st_mode))
        return "to folder, nie port szeregowy";
    if (S_ISREG(st.st_mode))
        return "to zwykły plik, nie port szeregowy";
    if (!S_ISCHR(st.st_mode))
        return "to nie jest port szeregowy";
    const platform::Descriptor port(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (port.get() < 0) {
        if (errno == EACCES || errno == EPERM) {
            // A USB adapter that the package's udev rule covers gets that advice instead.
            const std::string adapterAdvice = seatAccessAdviceFor(path);
            return adapterAdvice.empty() ? permissionText(st) : adapterAdvice;
        }
        if (errno == EBUSY)
            return busyText(path, st.st_rdev);
        return systemReason(errno);
    }
    if (::isatty(port.get()) == 0)
        return "urządzenie nie jest portem szeregowym";
    if (::flock(port.get(), LOCK_EX | LOCK_NB) != 0)
        return busyText(path, st.st_rdev);
    return {};
}

std::string diagnoseFailedRequest(const ParameterRecord& record, int resultCode, bool firstRequest)
{
    const bool timedOut = resultCode == kSendTimeout || resultCode == kReceiveTimeout;
    if (record.linkTail.find("TCP:") != std::string::npos || !(resultCode == kPortNotOpened || (timedOut && firstRequest)))
        return {};
    return diagnoseConnection(record.port, record.speed, resultCode);
}

std::string diagnoseConnection(std::int32_t port, std::int32_t speed, int resultCode)
{
    const std::string name = "COM" + std::to_string(port);
    const std::string path = platform::portDevicePath(name);
    std::string state = deviceProblem(path);
    if (state.empty())
        state = resultCode == kPortNotOpened ? "port otwiera się teraz; mógł być chwilowo zajęty"
                                             : "kasa nie odpowiada przy szybkości " + std::to_string(speed)
                + " (sprawdź kabel, zasilanie kasy i ustawioną w niej szybkość)";
    return name + " → " + path + ": " + state;
}

}
