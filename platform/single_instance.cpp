#include "platform/single_instance.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/descriptor.h"

namespace kelvo::platform {

namespace {

std::string instancePath(std::string_view name, const char* suffix)
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0')
        return std::string(runtime) + "/" + std::string(name) + suffix;
    return "/tmp/" + std::string(name) + "-" + std::to_string(::getuid()) + suffix;
}

bool socketAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Only the lock's holder gets here, so a socket file left by a copy that
// crashed is its own to replace; one of another user's (in /tmp) cannot be
// removed, and then nobody listens.
int listenAt(const std::string& path)
{
    sockaddr_un address;
    if (!socketAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    ::unlink(path.c_str());
    const mode_t before = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::umask(before);
    if (!bound || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}

std::string instanceLockPath(std::string_view name)
{
    return instancePath(name, ".lock");
}

std::string instanceSocketPath(std::string_view name)
{
    return instancePath(name, ".sock");
}

SingleInstance::SingleInstance(std::string_view name)
{
    const std::string path = instanceLockPath(name);
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return;
    }
    descriptor_ = descriptor;
    socketPath_ = instanceSocketPath(name);
    listener_ = listenAt(socketPath_);
}

SingleInstance::~SingleInstance()
{
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketPath_.c_str());
    }
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool SingleInstance::takeWakeRequest() const
{
    if (listener_ < 0)
        return false;
    const Descriptor connection(::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC));
    return connection.valid();
}

bool SingleInstance::askHolderToShow(std::string_view name)
{
    sockaddr_un address;
    if (!socketAddress(instanceSocketPath(name), address))
        return false;
    const Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid())
        return false;
    // A listening socket takes the connection into its queue at once, and a
    // full queue refuses it: the asking copy never waits for the holder.
    return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

}
