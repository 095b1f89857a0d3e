// kelvodrv: runs one driver command from a shell, in the current folder.
//
//   kelvodrv COMMAND INPUT [OUTPUT]
//
// Prints the result code and, when the front end has one, its message, and
// exits with the result code; a wrong command line is named on standard
// error, in Polish like every other front end, and ends with 255.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <cstring>
#include <string_view>

#include <kelvo/kelvodrv.h>

#include "driver/command/command_list.h"
#include "frontend/logic/driver_messages.h"

namespace {

struct Command {
    std::string_view name;
    unsigned char (*withOutput)(const char*, const char*);
    unsigned char (*inputOnly)(const char*);
    std::string_view purpose;
};

#define KELVO_WITH_OUTPUT(name, body, headerLines, talks, checkNumber, purpose) {#name, name, nullptr, purpose},
#define KELVO_INPUT_ONLY(name, body, headerLines, talks, checkNumber, purpose) {#name, nullptr, name, purpose},
constexpr Command kCommands[] = {KELVO_DRIVER_COMMANDS(KELVO_WITH_OUTPUT, KELVO_INPUT_ONLY)};

// The exit status of a wrong command line: no driver result code is 255.
constexpr int kUsageError = 255;

void printHelp()
{
    std::printf("użycie: kelvodrv POLECENIE WEJŚCIE [WYJŚCIE]\n\nPolecenia sterownika:\n");
    for (const Command& command : kCommands)
        std::printf("  %-9.*s %s  %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
            command.withOutput != nullptr ? "WEJŚCIE WYJŚCIE" : "WEJŚCIE        ", static_cast<int>(command.purpose.size()),
            command.purpose.data());
    std::printf("\nWEJŚCIE może mieć postać \"wejście;wyjście;lista-parametrów\". Wiersze pliku\n"
                "wejściowego każdego polecenia opisuje man kelvodrv. Kod wyjścia to kod wyniku\n"
                "polecenia; 255 po błędzie w wierszu poleceń.\n");
}

std::string commandNames()
{
    std::string names;
    for (const Command& command : kCommands)
        names += (names.empty() ? "" : ", ") + std::string(command.name);
    return names;
}

int wrong(const std::string& what)
{
    std::fprintf(stderr, "kelvodrv: %s\nPomoc: kelvodrv --help\n", what.c_str());
    return kUsageError;
}

}

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printHelp();
        return 0;
    }
    if (argc < 2)
        return wrong("brak polecenia; dozwolone: " + commandNames());
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands), [&](const Command& c) { return c.name == argv[1]; });
    if (command == std::end(kCommands))
        return wrong("nieznane polecenie „" + std::string(argv[1]) + "”; dozwolone: " + commandNames());
    const bool takesOutput = command->withOutput != nullptr;
    if (argc < 3)
        return wrong(std::string(argv[1]) + ": brak pliku wejściowego; dozwolone: kelvodrv " + argv[1]
            + (takesOutput ? " WEJŚCIE [WYJŚCIE]" : " WEJŚCIE"));
    if (argc > (takesOutput ? 4 : 3))
        return wrong(std::string(argv[1]) + ": nadmiarowy argument „" + argv[takesOutput ? 4 : 3] + "”; dozwolone: kelvodrv "
            + argv[1] + (takesOutput ? " WEJŚCIE [WYJŚCIE]" : " WEJŚCIE"));
    const unsigned char code = takesOutput ? command->withOutput(argv[2], argc == 4 ? argv[3] : "") : command->inputOnly(argv[2]);
    std::printf("%u\n", code);
    if (const std::string description = kelvo::frontend::driverErrorDescription(code); !description.empty())
        std::printf("%s\n", kelvo::frontend::driverErrorMessage(code).c_str());
    return code;
}
