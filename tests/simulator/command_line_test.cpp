#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

Outcome runSimulator(const std::string& arguments)
{
    Outcome run;
    FILE* pipe = ::popen((std::string(KELVOSIM_PATH) + " " + arguments + " 2>&1").c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        run.output += buffer;
    const int status = pipe == nullptr ? -1 : ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}

TEST(SimulatorCommandLine, HelpAndMistakesAreInPolishAndNameTheArgument)
{
    const Outcome help = runSimulator("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.output.starts_with("użycie: kelvosim (--pty ŚCIEŻKA | --tcp [HOST:]PORT) [OPCJE]\n")) << help.output;
    EXPECT_NE(help.output.find("  --fault USTERKA       usterka do pokazania"), std::string::npos) << help.output;
    for (std::size_t start = 0, end; (end = help.output.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = help.output.substr(start, end - start);
        std::size_t characters = 0;
        for (const char c : line)
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        EXPECT_LE(characters, 80u) << line;
    }

    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"--bogus", "kelvosim: nieznana opcja „--bogus”\nPomoc: kelvosim --help\n"},
        {"", "kelvosim: brak miejsca nasłuchu: podaj --pty ŚCIEŻKA albo --tcp [HOST:]PORT\nPomoc: kelvosim --help\n"},
        {"--tcp 127.0.0.1:x", "kelvosim: niepoprawny port w „127.0.0.1:x”; dozwolone: [HOST:]PORT, port od 0 do 65535\n"},
        {"--tcp 127.0.0.1:0 --model 300", "kelvosim: --model 300: niepoprawna liczba; dozwolone: od 0 do 255\n"},
        {"--tcp 127.0.0.1:0 --fault explode:1", "kelvosim: nieznany rodzaj usterki w „explode:1”\n"},
        {"--tcp 127.0.0.1:0 --log", "kelvosim: --log: brak wartości\n"},
    };
    for (const auto& c : cases) {
        const Outcome mistake = runSimulator(c.arguments);
        EXPECT_EQ(mistake.status, 1) << c.arguments;
        EXPECT_TRUE(mistake.output.starts_with(c.message)) << c.arguments << "\n" << mistake.output;
    }
}
