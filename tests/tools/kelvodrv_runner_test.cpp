#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

using kelvo::test::readFile;
using kelvo::test::TempDir;
using kelvo::test::writeFile;

namespace {

struct Outcome {
    int status;
    std::string output;
};

// Port COM1 leads to the file port in the folder: by default nowhere, so
// commands that need the register end at once.
Outcome runIn(const std::string& folder, const std::string& arguments, const std::string& port = "no-such-port")
{
    const std::string command =
        "cd '" + folder + "' && KELVO_COM1='" + folder + "/" + port + "' " + KELVODRV_PATH + " " + arguments + " 2>&1";
    Outcome run {-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        run.output += buffer;
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}

TEST(KelvodrvRunner, RunsACommandInTheCurrentFolder)
{
    TempDir dir;
    writeFile(dir.file("KONFIG.TXT"), "$1\tCOM1:9600:MUX0:1\t3\tKELVO\r\n");
    writeFile(dir.file("in1"), "#1\r\n#\r\n#\r\n$NONE\t0\r\n");

    const Outcome run = runIn(dir.path(), "ONrKasy in1 out");
    EXPECT_EQ(run.status, 62);
    EXPECT_EQ(run.output, "62\nBŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO\n");
    EXPECT_EQ(readFile(dir.file("RAPORT.TXT")).substr(0, 21), "#1\tCOM1:9600:MUX0:1\t3");

    const Outcome missing = runIn(dir.path(), "OStatus nothing out.txt");
    EXPECT_EQ(missing.status, 6);
    EXPECT_EQ(missing.output, "6\nBŁĄD NUMER 6: NIE MOŻNA OTWORZYĆ PLIKU WEJŚCIOWEGO\n");

    EXPECT_EQ(runIn(dir.path(), "X000030X in1").status, 62);
}

TEST(KelvodrvRunner, AWrongCommandLineIsNamedInPolish)
{
    TempDir dir;
    const struct {
        const char* arguments;
        const char* message;  // the first line on standard error
    } cases[] = {
        {"Foo in out", "kelvodrv: nieznane polecenie „Foo”; dozwolone: ONrKasy, ONrUnik, OStatus, KDBarkod, X000028X, "
                       "X000029X, X000030X, X000031X, X000033X, X000035X"},
        {"", "kelvodrv: brak polecenia; dozwolone: ONrKasy,"},
        {"ONrKasy", "kelvodrv: ONrKasy: brak pliku wejściowego; dozwolone: kelvodrv ONrKasy WEJŚCIE [WYJŚCIE]"},
        {"X000030X in1 out", "kelvodrv: X000030X: nadmiarowy argument „out”; dozwolone: kelvodrv X000030X WEJŚCIE"},
    };
    for (const auto& c : cases) {
        const Outcome run = runIn(dir.path(), c.arguments);
        EXPECT_EQ(run.status, 255) << c.arguments;
        EXPECT_TRUE(run.output.starts_with(c.message)) << run.output;
        EXPECT_NE(run.output.find("\nPomoc: kelvodrv --help\n"), std::string::npos) << run.output;
    }
    const Outcome help = runIn(dir.path(), "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.output.starts_with("użycie: kelvodrv POLECENIE WEJŚCIE [WYJŚCIE]\n")) << help.output;
    EXPECT_NE(help.output.find("X000028X  WEJŚCIE WYJŚCIE  raport okresowy"), std::string::npos) << help.output;
    EXPECT_NE(help.output.find("KDBarkod"), std::string::npos);
    EXPECT_NE(help.output.find("UsunieciePamieciRekordow WEJŚCIE"), std::string::npos)
        << "every exported command, from the driver's one list: " << help.output;
    EXPECT_EQ(help.output.find("usage"), std::string::npos) << help.output;
}

TEST(KelvodrvRunner, ThePrintedReportAndTheBarcodeCommandsAsReadmeShowsThem)
{
    TempDir dir;
    kelvo::test::SimulatorProcess simulator(KELVOSIM_PATH,
        {"--pty", dir.file("com"), "--scenario", std::string(KELVOSIM_SCENARIOS) + "/gilon-printed.json"},
        dir.file("kelvosim.out"));
    ASSERT_TRUE(simulator.listening()) << readFile(dir.file("kelvosim.out"));
    writeFile(dir.file("KONFIG.TXT"), "$1\tCOM1:9600:MUX0:1\t3\tKELVO\r\n");
    writeFile(dir.file("in"), "#1\r\n#\r\n#\r\n$1\t2012.01\r\n");

    const Outcome report = runIn(dir.path(), "X000029X in out", "com");
    EXPECT_EQ(report.status, 0) << report.output;
    const std::string lines = readFile(dir.file("out"));
    EXPECT_EQ(lines.substr(0, 42), "R A P O R T   M I E S I \xCA C Z N Y" + std::string(7, ' ') + "\r\n");
    EXPECT_EQ(lines.size(), 4u * 42) << "four lines of 40 columns";

    writeFile(dir.file("codes"), "#1\r\n#\r\n#\r\n$590123412345\r\n$5901234123457\r\n");
    const Outcome codes = runIn(dir.path(), "KDBarkod codes", "com");
    EXPECT_EQ(codes.status, 0) << codes.output;
    writeFile(dir.file("codes"), "#1\r\n#\r\n#\r\n");
    const Outcome none = runIn(dir.path(), "KDBarkod codes", "com");
    EXPECT_EQ(none.status, 10) << none.output;
}
