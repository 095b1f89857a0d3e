#include "simulator/line_writer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace kelvo::sim {

namespace {

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    struct stat info{};
    const bool socket = ::fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = socket ? ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL)
                                 : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0 || (p.revents & (POLLERR | POLLHUP))) return false;
            continue;
        }
        return false;
    }
    return true;
}

}

std::chrono::microseconds lineTime(std::size_t bytes, std::uint32_t baud)
{
    if (baud == 0) return std::chrono::microseconds{0};
    return std::chrono::microseconds{static_cast<std::int64_t>(bytes) * 10'000'000 / baud};
}

bool writeAnswer(int fd, std::span<const std::uint8_t> answer, const LineTiming& timing)
{
    if (timing.turnaround.count() > 0) std::this_thread::sleep_for(timing.turnaround);
    if (timing.baud == 0) return writeAll(fd, answer);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t k = 0; k < answer.size(); ++k) {
        std::this_thread::sleep_until(start + lineTime(k, timing.baud));
        if (!writeAll(fd, answer.subspan(k, 1))) return false;
    }
    // The last byte also takes its time on the wire.
    std::this_thread::sleep_until(start + lineTime(answer.size(), timing.baud));
    return true;
}

}
