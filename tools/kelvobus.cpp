// kelvobus: watch and drive the message bus that drivers and a port-sharing
// server use, from a shell. Its help and its errors are in Polish, like the
// other front ends'; a wrong command line ends with 2.
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

constexpr char kUsage[] =
    "użycie: kelvobus listen [--count N] [--timeout SEKUNDY]\n"
    "        kelvobus post KOMUNIKAT WPARAM LPARAM\n"
    "        kelvobus post KOMUNIKAT WPARAM --letter L [--value N]\n"
    "\n"
    "Podsłuchuje magistralę komunikatów sterowników i serwera portów (listen)\n"
    "albo wysyła na nią komunikat (post); opis w man kelvobus.\n";

// A wrong command line, named with what is allowed; ends with 2.
int wrong(const std::string& what)
{
    std::fprintf(stderr, "kelvobus: %s\nPomoc: kelvobus --help\n", what.c_str());
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

std::string numberAllowed(const char* text, unsigned long most)
{
    return (text == nullptr ? std::string("brak wartości") : "niepoprawna liczba „" + std::string(text) + "”")
        + "; dozwolone: liczba od 0 do " + std::to_string(most);
}

int cannotJoin()
{
    std::fprintf(stderr, "kelvobus: nie można dołączyć do magistrali w %s\n", kelvo::platform::busDirectory().c_str());
    return 1;
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
        const bool isCount = std::strcmp(argv[i], "--count") == 0;
        if (!isCount && std::strcmp(argv[i], "--timeout") != 0)
            return wrong("listen: nieznany argument „" + std::string(argv[i]) + "”; dozwolone: --count N, --timeout SEKUNDY");
        const unsigned long most = isCount ? 1000000 : 86400;
        if (i + 1 == argc || !parseNumber(argv[i + 1], most, isCount ? count : timeout))
            return wrong(std::string(argv[i]) + ": " + numberAllowed(i + 1 < argc ? argv[i + 1] : nullptr, most));
        ++i;
    }
    MessageBus bus;
    if (!bus.join())
        return cannotJoin();
    std::printf("nasłuchuję w %s\n", kelvo::platform::busDirectory().c_str());
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
    if (argc < 3)
        return wrong("post: za mało argumentów; dozwolone: post KOMUNIKAT WPARAM LPARAM albo post KOMUNIKAT WPARAM --letter L");
    if (!parseNumber(argv[0], 0xFFFFFFFFul, message))
        return wrong("KOMUNIKAT: " + numberAllowed(argv[0], 0xFFFFFFFFul));
    if (!parseNumber(argv[1], 0xFFFFFFFFul, wParam))
        return wrong("WPARAM: " + numberAllowed(argv[1], 0xFFFFFFFFul));
    if (std::strcmp(argv[2], "--letter") == 0) {
        unsigned long value = 0;
        if (argc < 4 || std::strlen(argv[3]) != 1)
            return wrong("--letter: oczekiwany jeden znak ASCII");
        if (argc != 4 && !(argc == 6 && std::strcmp(argv[4], "--value") == 0))
            return wrong("post: nadmiarowy argument „" + std::string(argv[4]) + "”; dozwolone po --letter L: --value N");
        if (argc == 6 && !parseNumber(argv[5], 0xFFFFFF, value))
            return wrong("--value: " + numberAllowed(argv[5], 0xFFFFFF));
        lParam = value * 256 + static_cast<unsigned char>(argv[3][0]);
    } else if (argc != 3) {
        return wrong("post: nadmiarowy argument „" + std::string(argv[3]) + "”");
    } else if (!parseNumber(argv[2], 0xFFFFFFFFul, lParam)) {
        return wrong("LPARAM: " + numberAllowed(argv[2], 0xFFFFFFFFul));
    }
    MessageBus bus;
    if (!bus.join())
        return cannotJoin();
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
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return wrong(argc < 2 ? std::string("brak polecenia; dozwolone: listen, post")
                          : "nieznane polecenie „" + std::string(argv[1]) + "”; dozwolone: listen, post");
}
