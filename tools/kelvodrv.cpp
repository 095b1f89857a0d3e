// kelvodrv: runs one driver command from a shell, in the current folder.
//
//   kelvodrv COMMAND INPUT [OUTPUT]
//
// Prints the result code and, when the front end has one, its message, and
// exits with the result code.
#include <cstdio>
#include <cstring>
#include <string_view>

#include <kelvo/kelvodrv.h>

#include "frontend/logic/driver_messages.h"

namespace {

struct Command {
    std::string_view name;
    unsigned char (*withOutput)(const char*, const char*);
    unsigned char (*inputOnly)(const char*);
    std::string_view purpose;
};

constexpr Command kCommands[] = {
    {"ONrKasy", ONrKasy, nullptr, "numer kasy"},
    {"ONrUnik", ONrUnik, nullptr, "numer unikatowy"},
    {"OStatus", OStatus, nullptr, "48 flag stanu"},
    {"KDBarkod", nullptr, KDBarkod, "kody kreskowe"},
    {"X000028X", X000028X, nullptr, "raport okresowy"},
    {"X000029X", X000029X, nullptr, "raport okresowy z kasy (wiersze 42-bajtowe)"},
    {"X000030X", nullptr, X000030X, "otwarcie portu pozostawionego otwartym"},
    {"X000031X", X000031X, nullptr, "raport okresowy z kasy (blok ETX z CRC)"},
    {"X000033X", X000033X, nullptr, "raport okresowy z kasy (strumien wydruku)"},
    {"X000035X", X000035X, nullptr, "raport okresowy"},
};

void printHelp(std::FILE* to)
{
    std::fprintf(to, "usage: kelvodrv COMMAND INPUT [OUTPUT]\n\ncommands:\n");
    for (const Command& command : kCommands)
        std::fprintf(to, "  %-9.*s %s  %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
            command.withOutput != nullptr ? "INPUT OUTPUT" : "INPUT       ", static_cast<int>(command.purpose.size()),
            command.purpose.data());
    std::fprintf(to,
        "\nINPUT may be \"input;output;parameter-list\". The exit status is the result code.\n");
}

}

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printHelp(stdout);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (argc < 2 || command.name != argv[1])
            continue;
        const bool usable = command.withOutput != nullptr ? (argc == 3 || argc == 4) : argc == 3;
        if (!usable)
            break;
        const unsigned char code =
            command.withOutput != nullptr ? command.withOutput(argv[2], argc == 4 ? argv[3] : "") : command.inputOnly(argv[2]);
        std::printf("%u\n", code);
        if (const std::string description = kelvo::frontend::driverErrorDescription(code); !description.empty())
            std::printf("%s\n", kelvo::frontend::driverErrorMessage(code).c_str());
        return code;
    }
    printHelp(stderr);
    return 255;
}
