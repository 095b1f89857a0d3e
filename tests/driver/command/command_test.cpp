#include "driver/command/command.h"

#include <kelvo/kelvodrv.h>
#include <random>
#include <stdexcept>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "tests/driver/command/command_test_support.h"
#include "tests/support/other_user.h"

using namespace kelvo::drv;
using kelvo::test::counterLines;
using kelvo::test::crlfLines;
using kelvo::test::fileExists;
using kelvo::test::readFile;
using kelvo::test::runReport;
using kelvo::test::writeFile;

namespace {

// A command that does not talk to the register and has no work of its own,
// so the frame can run to its end without a port.
void noWork() { }

constexpr CommandDefinition kLocalCommand {"ONrKasy", {true, true, false, false}, noWork};

void storeRegisterError()
{
    ctx.outcome.registerErrorCode = 0x1A2B;
    storeCondition(condition::RegisterError);
}

constexpr CommandDefinition kFailingCommand {"OStatus", {true, true, false, false}, storeRegisterError};

void throwInTheWork()
{
    throw std::runtime_error("a fault inside the driver");
}

constexpr CommandDefinition kThrowingCommand {"ONrKasy", {true, true, false, false}, throwInTheWork};

const std::string kKonfig = "$1\tCOM1:9600:MUX0:1\t3\tKELVO\r\n";
const std::string kInput = crlfLines({"#1", "#", "#", "$NONE\t0"});

class CommandTest : public kelvo::test::DriverTest {
protected:
    // Runs the command and checks the run report, whose first header line
    // carries the clock reading of the run.
    template <typename Expected>
    void expectReport(Expected expected, const std::string& path = "RAPORT.TXT")
    {
        const LocalStamp after = localStamp();
        const std::string actual = readFile(path);
        if (actual != expected(before_)) {
            EXPECT_EQ(actual, expected(after));
        }
    }

    std::uint8_t run(const CommandDefinition& command, const char* input, const char* output)
    {
        before_ = localStamp();
        return runCommand(command, input, output);
    }

    static std::string header1(const LocalStamp& stamp, const std::string& command, const std::string& files)
    {
        return "1\tCOM1:9600:MUX0:1\t3\t" + stamp.date + "\t" + stamp.time + "\t" + command + "\tWIN 9.11.2010\t" + files;
    }

    LocalStamp before_;
};

std::string parameterList(const std::string& showFile, const std::string& report = "RAPORT.TXT",
    const std::string& extra = "")
{
    return crlfLines({"$13:10", "$KONFIG.TXT", "$" + report, "$KOMENT.TXT", "$MODKONF.TXT", "$ECRTBUF.TXT", "$0",
               "$N", "$N", "$" + showFile, "$0", "$0", "$0"})
        + extra;
}

}

TEST_F(CommandTest, SuccessfulFrameWritesTheRunReport)
{
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    ASSERT_EQ(run(kLocalCommand, "IN", "OUT"), 0);
    expectReport([](const LocalStamp& stamp) {
        return runReport(header1(stamp, "ONrKasy", "IN\tOUT"), "0\t; program zakonczony bezblednie",
            "KELVO (identyfikator z pliku KONFIG.TXT)", counterLines(0, 0, 0, 3, 0), "3\t0\t#");
    });
    EXPECT_EQ(readFile("OUT"), "") << "the output is created; its header comes with identification";
}

TEST_F(CommandTest, NameChecks)
{
    struct Case {
        const char* input;
        const char* output;
        std::uint8_t code;
    };
    const Case cases[] = {
        {"", "OUT", 1},
        {"dir/raport.txt", "OUT", 2},
        {"C:\\KASA\\Koment.Txt", "OUT", 2},
        {"IN", "", 3},
        {"IN", "x\\KONFIG.$$$", 4},
        {"IN", "ecrtbuf.txt", 4},
        {"IN", "IN", 5},
    };
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    for (const Case& c : cases)
        EXPECT_EQ(ONrKasy(c.input, c.output), c.code) << c.input << " / " << c.output;
    EXPECT_EQ(ONrKasy("IN", "in"), 5) << "names differing in case name the same file";

    EXPECT_EQ(run(kLocalCommand, "dir/raport.txt", "OUT"), 2);
    EXPECT_EQ(readFile("RAPORT.TXT"),
        runReport("", "2\t; (dir/raport.txt)", "", counterLines(0, 0, 0, 0, 0), "0\t0\t"));
    EXPECT_FALSE(fileExists("OUT")) << "nothing is opened after a failed name check";
}

TEST_F(CommandTest, MissingInputNamesTheFileUnlessSwitchedOff)
{
    writeFile("KONFIG.TXT", kKonfig);
    EXPECT_EQ(run(kLocalCommand, "missing.in", "OUT"), 6);
    EXPECT_EQ(readFile("RAPORT.TXT"),
        runReport("", "6\t; (missing.in)", "", counterLines(0, 0, 0, 0, 0), "0\t0\t"));

    writeFile("KOMENT.TXT", crlfLines({"; comments of the driver", "6\tNIE MOZNA OTWORZYC PLIKU WEJSCIOWEGO"}));
    EXPECT_EQ(run(kLocalCommand, "missing.in", "OUT"), 6);
    EXPECT_EQ(readFile("RAPORT.TXT"),
        runReport("", "6\t; NIE MOZNA OTWORZYC PLIKU WEJSCIOWEGO (missing.in)", "", counterLines(0, 0, 0, 0, 0),
            "0\t0\t"));

    writeFile("par.txt", parameterList("N"));
    EXPECT_EQ(run(kLocalCommand, "missing.in;;par.txt", "OUT"), 6);
    EXPECT_EQ(readFile("RAPORT.TXT"),
        runReport("", "6\t; NIE MOZNA OTWORZYC PLIKU WEJSCIOWEGO", "", counterLines(0, 0, 0, 0, 0), "0\t0\t"));

    std::remove("KOMENT.TXT");
    EXPECT_EQ(run(kLocalCommand, "missing.in;;par.txt", "OUT"), 6);
    EXPECT_EQ(readFile("RAPORT.TXT"), runReport("", "6\t;", "", counterLines(0, 0, 0, 0, 0), "0\t0\t"));
}

TEST_F(CommandTest, ConfigurationFailuresPointAtTheConfigurationLine)
{
    writeFile("IN", crlfLines({"#3", "#", "#"}));
    writeFile("KONFIG.TXT", crlfLines({";two registers", "$1\tCOM1:9600:MUX0:1\t3", "", "$2\tCOM2:9600:MUX0:1\t3"}));
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 14);
    EXPECT_EQ(readFile("RAPORT.TXT"),
        runReport("", "14\t; (KONFIG.TXT)", "", counterLines(0, 0, 0, 1, 0), "5\t0\t"))
        << "the last read of the configuration file found its end after line 4";

    writeFile("IN", crlfLines({"#1", "#", "#"}));
    writeFile("KONFIG.TXT", crlfLines({"$1\tCOM1:9600:MUX0:1\t70000", "$1\tCOM1:9600:MUX0:1\t3"}));
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 16) << "the first line for the register decides";
    EXPECT_EQ(readFile("RAPORT.TXT"),
        runReport("", "16\t; (KONFIG.TXT)", "", counterLines(0, 0, 0, 1, 0), "1\t3\t$1\tCOM1:9600:MUX0:1\t70000"));

    writeFile("KONFIG.TXT", "");
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 13);
    EXPECT_EQ(readFile("RAPORT.TXT"), runReport("", "13\t; (KONFIG.TXT)", "", counterLines(0, 0, 0, 1, 0), "1\t0\t"));

    writeFile("KONFIG.TXT", crlfLines({"#header", "$1\tCOM1:9600:MUX0:1\t3"}));
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 16);

    std::remove("KONFIG.TXT");
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 7);
    EXPECT_EQ(readFile("RAPORT.TXT").find("#\r\n#7\t; (KONFIG.TXT)\r\n#\r\n"), 0u);
}

TEST_F(CommandTest, TemporaryConfigurationFallsBackToTheConfigurationFile)
{
    writeFile("IN", kInput);
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("KONFIG.$$$", crlfLines({"$2\tCOM2:9600:MUX0:1\t3\tOTHER"}));
    ASSERT_EQ(run(kLocalCommand, "IN", "OUT"), 0);
    EXPECT_EQ(ctx.paths.configuration, "KONFIG.TXT");
    EXPECT_EQ(ctx.headers.line[2], "KELVO (identyfikator z pliku KONFIG.TXT)");

    writeFile("KONFIG.$$$", crlfLines({"$1\tCOM2:19200:MUX0:0\t5"}));
    ASSERT_EQ(run(kLocalCommand, "IN", "OUT"), 0);
    EXPECT_EQ(ctx.headers.line[2], "Kelvo (identyfikator domyslny)");
    EXPECT_EQ(ctx.connection.portNumber, 2);
    EXPECT_EQ(ctx.connection.speed, 19200u);
    EXPECT_EQ(ctx.connection.readTimeout, 5u);

    writeFile("KONFIG.$$$", crlfLines({"$1\tCOM1:9600:MUX0:1\tbad"}));
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 16);
    EXPECT_NE(readFile("RAPORT.TXT").find("16\t; (KONFIG.$$$)"), std::string::npos);
}

TEST_F(CommandTest, InputHeaderChecks)
{
    writeFile("KONFIG.TXT", kKonfig);
    const std::pair<std::string, std::uint8_t> cases[] = {
        {"", 10},
        {"$1\r\n", 11},
        {"#x\r\n#\r\n#\r\n", 11},
        {"#0\r\n#\r\n#\r\n", 19},
        {"#100\r\n#\r\n#\r\n", 19},
        {"#  1  ; register one\r\n#\r\n#\r\n", 0},
        {"#1\r\n#\r\n", 10},
        {"#1\r\n#\r\n$x\r\n", 11},
    };
    for (const auto& [input, code] : cases) {
        writeFile("IN", input);
        EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), code) << input;
    }
}

TEST_F(CommandTest, ThreePartArgumentAndParameterList)
{
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    writeFile("par.txt", parameterList("T", "MYRAP.TXT", "$1\r\n"));
    ASSERT_EQ(run(kLocalCommand, "IN;OUT2;par.txt", "OUT"), 0);
    EXPECT_TRUE(fileExists("OUT2"));
    EXPECT_FALSE(fileExists("OUT"));
    EXPECT_TRUE(fileExists("MYRAP.TXT"));
    EXPECT_EQ(ctx.lineFormat.outputSharing, kelvo::platform::Sharing::OthersMayRead);

    EXPECT_EQ(run(kLocalCommand, "myrap.txt;;par.txt", "OUT"), 2) << "the parameter list's paths are reserved names";

    writeFile("par.txt", parameterList("T", "RAPORT.TXT", "$3\r\n"));
    EXPECT_EQ(run(kLocalCommand, "IN;;par.txt", "OUT"), 54);
    writeFile("par.txt", parameterList("T", "RAPORT.TXT", "#1\r\n"));
    EXPECT_EQ(run(kLocalCommand, "IN;;par.txt", "OUT"), 54);
    writeFile("par.txt", parameterList("T").substr(0, 40));
    EXPECT_EQ(run(kLocalCommand, "IN;;par.txt", "OUT"), 54);
    EXPECT_EQ(run(kLocalCommand, "IN;;missing.txt", "OUT"), 54);
    writeFile("par.txt", "$13:300\r\n" + parameterList("T").substr(9));
    EXPECT_EQ(run(kLocalCommand, "IN;;par.txt", "OUT"), 54) << "300 is not a byte";

    // A parameter list with LF lines: the driver reads and writes LF from then on.
    std::string lfList = parameterList("T");
    lfList.replace(0, 8, "$10\r\n");
    writeFile("par.txt", lfList);
    writeFile("KONFIG.TXT", "$1\tCOM1:9600:MUX0:1\t3\n");
    writeFile("IN", "#1\n#\n#\n");
    ASSERT_EQ(run(kLocalCommand, "IN;;par.txt", "OUT"), 0);
    EXPECT_EQ(readFile("RAPORT.TXT").substr(0, 1), "#");
    EXPECT_NE(readFile("RAPORT.TXT").find("\n$0\n"), std::string::npos);
    EXPECT_EQ(readFile("RAPORT.TXT").find('\r'), std::string::npos);

    writeFile("IN", kInput);
    writeFile("KONFIG.TXT", kKonfig);
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 0) << "the next command without a list reads CR LF again";
}

TEST_F(CommandTest, RegisterErrorCommentFromTheCommentFile)
{
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    writeFile("KOMENT.TXT", crlfLines({"17\tzapis", "234\tBLAD ZGLOSZONY PRZEZ KASE", "1a2b\tza malo miejsca"}));
    ASSERT_EQ(run(kFailingCommand, "IN", "OUT"), 234);
    expectReport([](const LocalStamp& stamp) {
        return runReport(header1(stamp, "OStatus", "IN\tOUT"), "234\t; BLAD ZGLOSZONY PRZEZ KASE 1A2B (za malo miejsca)",
            "KELVO (identyfikator z pliku KONFIG.TXT)", counterLines(0, 0, 0, 3, 0), "3\t0\t#", "1A2B");
    });

    writeFile("KOMENT.TXT", "");
    ASSERT_EQ(run(kFailingCommand, "IN", "OUT"), 234);
    EXPECT_NE(readFile("RAPORT.TXT").find("#234\t; 1A2B\r\n"), std::string::npos);
}

TEST_F(CommandTest, UnwritableRunReportGivesEighteenAndIsDeleted)
{
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Files may grow to 100 bytes: the report's header does not fit.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit {100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(runCommand(kLocalCommand, "IN", "OUT"));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 18);
    EXPECT_FALSE(fileExists("RAPORT.TXT"));
}

TEST_F(CommandTest, TraceCopiesAreAppendedWhenTheFolderExists)
{
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("in.dat", crlfLines({"#1", "#", "#", "$NONE\t0", "", "$after the empty line"}));
    ASSERT_EQ(::mkdir("$$$", 0700), 0);
    ASSERT_EQ(run(kLocalCommand, "in.dat", "OUT"), 0);
    ASSERT_EQ(run(kLocalCommand, "in.dat", "OUT"), 0);
    const LocalStamp stamp = localStamp();
    const std::string header = ";*** " + stamp.date + " " + stamp.time + " ONrKasy *** ";
    const std::string once = header + "\r\n" + crlfLines({"#1", "#", "#", "$NONE\t0"});
    EXPECT_EQ(readFile("$$$/in.IN"), once + once) << "copied up to the first empty line, appended";
    EXPECT_EQ(readFile("$$$/in.KON"), header + "\r\n" + kKonfig + header + "\r\n" + kKonfig);
    EXPECT_EQ(readFile("$$$/in.OUT"), header + "\r\n" + header + "\r\n") << "the empty output gives only the headers";
    const std::string rap = readFile("$$$/in.RAP");
    EXPECT_EQ(rap.substr(0, header.size()), header);
    EXPECT_NE(rap.find("#0\t; program zakonczony bezblednie\r\n"), std::string::npos);
    EXPECT_FALSE(fileExists("$$$/in.SER")) << "no parameter-list file was given";
}

TEST_F(CommandTest, CommandsThatNeedTheRegisterEndWithoutAPort)
{
    ::setenv("KELVO_COM1", dir_.file("no-such-port").c_str(), 1);
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    for (auto command : {ONrKasy, ONrUnik, OStatus, X000028X, X000029X, X000031X, X000033X, X000035X}) {
        EXPECT_EQ(command("IN", "OUT"), 62);
        EXPECT_NE(readFile("RAPORT.TXT").find("#62\r\n"), std::string::npos);
    }
    EXPECT_EQ(KDBarkod("IN"), 62);

    EXPECT_EQ(X000030X("IN"), 62) << "the open-port command reads parity and flow, then cannot open the port";
    EXPECT_EQ(ctx.connection.lineParity, 0);
    writeFile("IN", crlfLines({"#1", "#", "#", "$e\tT"}));
    EXPECT_EQ(X000030X("IN"), 62);
    EXPECT_EQ(ctx.connection.lineParity, 2);
    EXPECT_TRUE(ctx.link.ctsFlow);
    writeFile("IN", crlfLines({"#1", "#", "#", "$EVENS\t0"}));
    EXPECT_EQ(X000030X("IN"), 11);
    writeFile("IN", crlfLines({"#1", "#", "#"}));
    EXPECT_EQ(X000030X("IN"), 10);
    ::unsetenv("KELVO_COM1");
}

TEST_F(CommandTest, ExceptionInTheWorkEndsWithACodeAndTheRunReport)
{
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    std::uint8_t code = 0;
    EXPECT_NO_THROW(code = run(kThrowingCommand, "IN", "OUT"));
    EXPECT_EQ(code, 77) << "an exception is the other error";
    EXPECT_NE(readFile("RAPORT.TXT").find("\r\n#77"), std::string::npos) << "the finish ran and wrote the run report";
    EXPECT_EQ(ctx.files.output, kClosedHandle) << "and closed the files";
}

TEST_F(CommandTest, ArbitraryBytesInDriverFilesGiveACodeAndARunReport)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto garbage = [&](std::size_t size, const std::string& alphabet) {
        std::string bytes;
        for (std::size_t i = 0; i < size; ++i)
            bytes.push_back(byte(random) < 200 ? alphabet[static_cast<std::size_t>(byte(random)) % alphabet.size()]
                                               : static_cast<char>(byte(random)));
        return bytes;
    };
    using namespace std::string_literals;
    const std::string alphabet = "$#;\t:\r\n0123456789COMUX$$$abc\0"s;
    ASSERT_EQ(alphabet.back(), '\0') << "the NUL byte is part of the alphabet";
    writeFile("IN", kInput);
    for (int round = 0; round < 200; ++round) {
        writeFile("KONFIG.TXT", "$1\t" + garbage(static_cast<std::size_t>(byte(random)) * 8, alphabet));
        writeFile("par.txt", garbage(static_cast<std::size_t>(byte(random)) * 8, alphabet));
        const std::uint8_t fromConfiguration = run(kLocalCommand, "IN", "OUT");
        EXPECT_TRUE(fromConfiguration == 0 || fromConfiguration == 13 || fromConfiguration == 14
            || fromConfiguration == 16)
            << int(fromConfiguration);
        EXPECT_TRUE(fileExists("RAPORT.TXT"));
        EXPECT_EQ(run(kLocalCommand, "IN;;par.txt", "OUT"), 54);
        EXPECT_LE(ctx.headers.line[1].size(), 1023u);
    }
}

TEST_F(CommandTest, AFifoOrAnEndlessDeviceAsADriverFileEndsTheCommand)
{
    writeFile("IN", kInput);
    ASSERT_EQ(::symlink("/dev/zero", "KONFIG.TXT"), 0);
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 7) << "no line is read from a device";
    EXPECT_NE(readFile("RAPORT.TXT").find("#7\t; (KONFIG.TXT)"), std::string::npos);
    std::remove("KONFIG.TXT");
    ASSERT_EQ(::mkfifo("KONFIG.TXT", 0600), 0);
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 7) << "the open of a FIFO does not wait for a writer";
    std::remove("KONFIG.TXT");

    writeFile("KONFIG.TXT", kKonfig);
    ASSERT_EQ(::mkfifo("FIFO", 0600), 0);
    EXPECT_EQ(run(kLocalCommand, "FIFO", "OUT"), 6);
    EXPECT_NE(readFile("RAPORT.TXT").find("#6\t; (FIFO)"), std::string::npos);
    EXPECT_EQ(run(kLocalCommand, "/dev/zero", "OUT"), 6);
    EXPECT_EQ(run(kLocalCommand, "IN", "/dev/null"), 0) << "an output that is a device on purpose still works";
}

TEST_F(CommandTest, AnOutputLinkedToADriverFileIsRefused)
{
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    writeFile("KOMENT.TXT", crlfLines({"$0\tbez bledu"}));
    ASSERT_EQ(run(kLocalCommand, "IN", "OUT"), 0);
    writeFile("ECRTBUF.TXT", crlfLines({"$cache line"}));
    ASSERT_EQ(::symlink("ECRTBUF.TXT", "soft-cache"), 0);
    ASSERT_EQ(::link("ECRTBUF.TXT", "hard-cache"), 0);
    ASSERT_EQ(::link("RAPORT.TXT", "hard-report"), 0);
    ASSERT_EQ(::symlink("KOMENT.TXT", "soft-comment"), 0);
    ASSERT_EQ(::symlink("konfig.txt", "soft-konfig"), 0);
    ASSERT_EQ(::symlink("MODKONF.TXT", "soft-modkonf"), 0);
    ASSERT_EQ(::link("IN", "hard-input"), 0);
    for (const char* output : {"soft-cache", "hard-cache", "hard-report", "soft-comment", "soft-konfig", "soft-modkonf"})
        EXPECT_EQ(ONrKasy("IN", output), 4) << output;
    EXPECT_EQ(ONrKasy("IN", "hard-input"), 5);
    EXPECT_EQ(ONrKasy("soft-cache", "OUT"), 2) << "an input that is a reserved file is refused the same way";
    EXPECT_EQ(readFile("ECRTBUF.TXT"), crlfLines({"$cache line"})) << "the identification cache is untouched";
    EXPECT_EQ(readFile("KONFIG.TXT"), kKonfig);
    EXPECT_EQ(readFile("IN"), kInput);
    EXPECT_FALSE(fileExists("MODKONF.TXT")) << "a link to a driver file not yet there creates nothing";
}

TEST_F(CommandTest, LinksThatAnotherUserPlantedInASharedFolderAreNotWrittenThrough)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "needs root, to plant links as the user 'nobody'";
    const std::string shared = kelvo::test::sharedFolderIn(dir_.path(), "tmp");
    writeFile("victim", "keep me");
    const std::string victim = dir_.file("victim");
    ASSERT_EQ(::chdir(shared.c_str()), 0);
    writeFile("KONFIG.TXT", kKonfig);
    writeFile("IN", kInput);
    ASSERT_TRUE(kelvo::test::runAsNobody("ln -s " + victim + " " + shared + "/OUT"));
    EXPECT_EQ(run(kLocalCommand, "IN", "OUT"), 8);
    EXPECT_EQ(readFile(victim), "keep me");
    EXPECT_TRUE(fileExists("RAPORT.TXT"));
    std::remove("RAPORT.TXT");
    ASSERT_TRUE(kelvo::test::runAsNobody("ln -s " + victim + " " + shared + "/RAPORT.TXT"));
    EXPECT_EQ(run(kLocalCommand, "IN", "OWN"), 9);
    EXPECT_EQ(readFile(victim), "keep me");
}
