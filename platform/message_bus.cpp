#include "platform/message_bus.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
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

// A socket that sends from nowhere, for a participant not on the bus.
int anonymousSocket()
{
    return ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}


}

bool privateBusFolder(const std::string& folder)
{
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
        && (st.st_mode & 077) == 0;
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
    if ((::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) || !privateBusFolder(folder))
        return false;
    static std::atomic<unsigned> sequence{0};
    const std::string name = std::to_string(::getpid()) + "-" + std::to_string(sequence++);
    sockaddr_un address {};
    if (!makeAddress(folder + "/" + name, address))
        return false;
    const int fd = anonymousSocket();
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
    pending_.clear();
}

MessageBus::Delivery MessageBus::sendTo(int sender, const std::string& path, const BusMessage& message)
{
    sockaddr_un address {};
    if (!makeAddress(path, address))
        return Delivery::Failed;
    unsigned char wire[kWireSize];
    putWord(wire, message.message);
    putWord(wire + 4, message.wParam);
    putWord(wire + 8, message.lParam);
    if (::sendto(sender, wire, kWireSize, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
            sizeof(address)) == static_cast<ssize_t>(kWireSize))
        return Delivery::Sent;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS || errno == EINTR)
        return Delivery::Full;
    if (errno == ECONNREFUSED) {
        ::unlink(path.c_str());  // nobody listens there any more
        return Delivery::Absent;
    }
    return errno == ENOENT ? Delivery::Absent : Delivery::Failed;
}

void MessageBus::sendPending(int sender)
{
    for (auto it = pending_.begin(); it != pending_.end();) {
        auto& waiting = it->second;
        Delivery delivery = Delivery::Sent;
        while (!waiting.empty() && (delivery = sendTo(sender, it->first, waiting.front())) == Delivery::Sent)
            waiting.pop_front();
        if (waiting.empty() || delivery != Delivery::Full)
            it = pending_.erase(it);
        else
            ++it;
    }
}

bool MessageBus::broadcast(const BusMessage& message)
{
    const std::string folder = joined() ? folder_ : busDirectory();
    // Nothing is posted into a folder that others may read or write.
    if (!privateBusFolder(folder))
        return false;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    const int sender = joined() ? socket_ : anonymousSocket();
    if (sender >= 0)
        sendPending(sender);
    bool all = sender >= 0;
    while (const dirent* entry = sender >= 0 ? ::readdir(dir) : nullptr) {
        if (entry->d_name[0] == '.' || name_ == entry->d_name
            || (entry->d_type != DT_SOCK && entry->d_type != DT_UNKNOWN))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        // A participant still waiting for older messages gets this one after them.
        const auto waiting = pending_.find(path);
        const Delivery delivery =
            waiting != pending_.end() ? Delivery::Full : sendTo(sender, path, message);
        if (delivery == Delivery::Full) {
            auto& queue = pending_[path];
            if (queue.size() < kMaxPending)
                queue.push_back(message);
        }
        all = all && (delivery == Delivery::Sent || delivery == Delivery::Absent);
    }
    ::closedir(dir);
    if (sender >= 0 && sender != socket_)
        ::close(sender);
    return all;
}

bool MessageBus::flush(std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const int sender = joined() ? socket_ : anonymousSocket();
    if (sender < 0)
        return pending_.empty();
    for (;;) {
        sendPending(sender);
        if (pending_.empty() || std::chrono::steady_clock::now() >= deadline)
            break;
        ::usleep(5000);  // the receivers' queues free only as they read
    }
    if (sender != socket_)
        ::close(sender);
    return pending_.empty();
}

std::size_t MessageBus::pendingCount() const
{
    std::size_t count = 0;
    for (const auto& [path, waiting] : pending_)
        count += waiting.size();
    return count;
}

bool MessageBus::listening(const std::string& path)
{
    sockaddr_un address {};
    if (path.empty() || !makeAddress(path, address))
        return false;
    const int probe = anonymousSocket();
    if (probe < 0)
        return true;  // nothing can be learnt; the participant is taken to be there
    // Connecting a datagram socket sends nothing: it only asks whether a
    // socket is bound at the path.
    const bool there = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(probe);
    return there;
}

bool MessageBus::othersListening() const
{
    const std::string folder = joined() ? folder_ : busDirectory();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = found ? nullptr : ::readdir(dir))
        if (entry->d_name[0] != '.' && name_ != entry->d_name)
            found = listening(folder + "/" + entry->d_name);
    ::closedir(dir);
    return found;
}

std::optional<BusMessage> MessageBus::receive(int timeoutMs, std::string* sender)
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
        sockaddr_un from {};
        socklen_t fromSize = sizeof(from);
        if (::recvfrom(socket_, wire, sizeof(wire), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromSize)
            != static_cast<ssize_t>(kWireSize))
            continue;
        if (sender != nullptr) {
            const std::size_t pathOffset = offsetof(sockaddr_un, sun_path);
            *sender = fromSize > pathOffset && from.sun_path[0] != '\0'
                ? std::string(from.sun_path, strnlen(from.sun_path, fromSize - pathOffset))
                : std::string();
        }
        return BusMessage {getWord(wire), getWord(wire + 4), getWord(wire + 8)};
    }
}

}
