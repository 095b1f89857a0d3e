// kelvobus: watch and drive the message bus that drivers and a port-sharing
// server use, from a shell.
//
//   kelvobus listen [--count N] [--timeout SECONDS]
//   kelvobus post MESSAGE WPARAM LPARAM
//   kelvobus post MESSAGE WPARAM --letter L [--value N]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/message_bus.h"

namespace {

using kelvo::platform::BusMessage;
using kelvo::platform::MessageBus;

int usage()
{
    std::fprintf(stderr,
        "usage: kelvobus listen [--count N] [--timeout SECONDS]\n"
        "       kelvobus post MESSAGE WPARAM LPARAM\n"
        "       kelvobus post MESSAGE WPARAM --letter L [--value N]\n");
    return 2;
}

bool parseNumber(const char* text, unsigned long maximum, unsigned long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 0);
    return errno == 0 && *end == '\0' && value <= maximum && text[0] != '-';
}

void print(const BusMessage& m)
{
    const unsigned letter = m.lParam & 0xFF;
    std::printf("message=%u wparam=%u lparam=%u letter=%c value=%u\n", m.message, m.wParam, m.lParam,
        letter >= 0x20 && letter < 0x7F ? static_cast<char>(letter) : '?', m.lParam >> 8);
    std::fflush(stdout);
}

int listen(int argc, char** argv)
{
    unsigned long count = 0;
    unsigned long timeout = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc && parseNumber(argv[i + 1], 1000000, count))
            ++i;
        else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc && parseNumber(argv[i + 1], 86400, timeout))
            ++i;
        else
            return usage();
    }
    MessageBus bus;
    if (!bus.join()) {
        std::fprintf(stderr, "kelvobus: cannot join the bus in %s\n", kelvo::platform::busDirectory().c_str());
        return 1;
    }
    std::printf("listening in %s\n", kelvo::platform::busDirectory().c_str());
    std::fflush(stdout);
    const std::time_t deadline = timeout == 0 ? 0 : std::time(nullptr) + static_cast<std::time_t>(timeout);
    unsigned long received = 0;
    while (count == 0 || received < count) {
        if (deadline != 0 && std::time(nullptr) >= deadline)
            return received > 0 ? 0 : 1;
        if (const auto message = bus.receive(200)) {
            print(*message);
            ++received;
        }
    }
    return 0;
}

int post(int argc, char** argv)
{
    unsigned long message = 0;
    unsigned long wParam = 0;
    unsigned long lParam = 0;
    if (argc < 3 || !parseNumber(argv[0], 0xFFFFFFFFul, message) || !parseNumber(argv[1], 0xFFFFFFFFul, wParam))
        return usage();
    if (std::strcmp(argv[2], "--letter") == 0) {
        unsigned long value = 0;
        if (argc != 4 && !(argc == 6 && std::strcmp(argv[4], "--value") == 0 && parseNumber(argv[5], 0xFFFFFF, value)))
            return usage();
        if (std::strlen(argv[3]) != 1)
            return usage();
        lParam = value * 256 + static_cast<unsigned char>(argv[3][0]);
    } else if (argc != 3 || !parseNumber(argv[2], 0xFFFFFFFFul, lParam)) {
        return usage();
    }
    MessageBus bus;
    if (!bus.join()) {
        std::fprintf(stderr, "kelvobus: cannot join the bus in %s\n", kelvo::platform::busDirectory().c_str());
        return 1;
    }
    return bus.broadcast({static_cast<std::uint32_t>(message), static_cast<std::uint32_t>(wParam),
               static_cast<std::uint32_t>(lParam)})
        ? 0
        : 1;
}

}

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "listen") == 0)
        return listen(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "post") == 0)
        return post(argc - 2, argv + 2);
    return usage();
}
