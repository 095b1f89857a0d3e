#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

#include "tests/support/temp_dir.h"

using kelvo::test::readFile;
using kelvo::test::TempDir;
using kelvo::test::writeFile;

namespace {

struct Outcome {
    int status;
    std::string output;
};

Outcome runIn(const std::string& folder, const std::string& arguments)
{
    // Port COM1 leads nowhere, so commands that need the register end at once.
    const std::string command =
        "cd '" + folder + "' && KELVO_COM1='" + folder + "/no-such-port' " + KELVODRV_PATH + " " + arguments + " 2>&1";
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
    EXPECT_EQ(runIn(dir.path(), "ONrKasy").status, 255);
    EXPECT_EQ(runIn(dir.path(), "X000030X in1 out").status, 255) << "this command takes no output file";
    const Outcome help = runIn(dir.path(), "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("X000028X"), std::string::npos);
    EXPECT_NE(help.output.find("KDBarkod"), std::string::npos);
}
