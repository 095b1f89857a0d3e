#include "platform/message_bus.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kelvo::platform {

namespace {

constexpr std::size_t kWireSize = 12;

void putWord(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t getWord(const unsigned char* at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

bool makeAddress(const std::string& path, sockaddr_un& address)
{
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// The folder must be ours and closed to everybody else, since whoever can
// write into it can post orders to a driver.
bool privateFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
        && (st.st_mode & 077) == 0;
}

}

std::string busDirectory()
{
    if (const char* dir = std::getenv("KELVO_BUS_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0')
        return std::string(runtime) + "/kelvo-bus";
    return "/tmp/kelvo-bus-" + std::to_string(::getuid());
}

MessageBus::~MessageBus()
{
    leave();
}

bool MessageBus::join()
{
    if (joined())
        return true;
    const std::string folder = busDirectory();
    if (!privateFolder(folder))
        return false;
    static std::atomic<unsigned> sequence{0};
    const std::string name = std::to_string(::getpid()) + "-" + std::to_string(sequence++);
    sockaddr_un address {};
    if (!makeAddress(folder + "/" + name, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return false;
    }
    socket_ = fd;
    folder_ = folder;
    name_ = name;
    return true;
}

void MessageBus::leave()
{
    if (socket_ < 0)
        return;
    ::close(socket_);
    ::unlink((folder_ + "/" + name_).c_str());
    socket_ = -1;
    name_.clear();
}

bool MessageBus::broadcast(const BusMessage& message)
{
    const std::string folder = joined() ? folder_ : busDirectory();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    int sender = socket_;
    if (sender < 0)
        sender = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    unsigned char wire[kWireSize];
    putWord(wire, message.message);
    putWord(wire + 4, message.wParam);
    putWord(wire + 8, message.lParam);
    bool all = sender >= 0;
    while (const dirent* entry = sender >= 0 ? ::readdir(dir) : nullptr) {
        if (entry->d_name[0] == '.' || name_ == entry->d_name
            || (entry->d_type != DT_SOCK && entry->d_type != DT_UNKNOWN))
            continue;
        sockaddr_un address {};
        const std::string path = folder + "/" + entry->d_name;
        if (!makeAddress(path, address))
            continue;
        if (::sendto(sender, wire, kWireSize, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                sizeof(address)) == static_cast<ssize_t>(kWireSize))
            continue;
        if (errno == ECONNREFUSED)
            ::unlink(path.c_str());  // nobody listens there any more
        else
            all = false;
    }
    ::closedir(dir);
    if (sender >= 0 && sender != socket_)
        ::close(sender);
    return all;
}

std::optional<BusMessage> MessageBus::receive(int timeoutMs)
{
    if (socket_ < 0)
        return std::nullopt;
    pollfd waiting {socket_, POLLIN, 0};
    // Datagrams of another size are not messages of this bus: skip them,
    // within the one deadline of the whole wait.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        if (::poll(&waiting, 1, wait) <= 0)
            return std::nullopt;
        unsigned char wire[kWireSize + 1];
        if (::recv(socket_, wire, sizeof(wire), MSG_DONTWAIT) == static_cast<ssize_t>(kWireSize))
            return BusMessage {getWord(wire), getWord(wire + 4), getWord(wire + 8)};
    }
}

}
