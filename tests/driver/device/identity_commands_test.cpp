#include <kelvo/kelvodrv.h>

#include "tests/driver/register_fixture.h"

using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

class IdentityCommandsTest : public kelvo::test::RegisterTest {
protected:
    // The output file without its first header line, which carries the clock.
    std::string outputAfterFirstLine(const std::string& path)
    {
        const std::string text = readFile(path);
        return text.substr(text.find("\r\n") + 2);
    }
};

struct Model {
    const char* code;
    const char* identification;
    const char* uniqueNumber;
    std::size_t blockRequests;  // information block requests in one command
    const char* cachedAfter;    // the source after the first command, when the register is cached
};

}

TEST_F(IdentityCommandsTest, NumberUniqueNumberAndStatusOfEachKindOfModel)
{
    const Model models[] = {
        {"121", "Orvan 121 8000 PLU II gen. ver. 03", "KLV 00121001", 3, " i pliku ECRTBUF.TXT"},
        {"28", "Orvan 2400 PLU I gen. ver. 03", "KLV00028001", 1, " i pliku ECRTBUF.TXT"},
        {"132", "Pelun 8000 PLU II gen. ver. 103", "KLV 00132001", 1, " i pliku ECRTBUF.TXT"},
        {"117", "Kamet Sol 2400 PLU ver. 03", "KLV 001170", 1, " i pliku ECRTBUF.TXT"},
        {"128", "Votra K ver. 03", "KLV 00128001", 1, " i pliku ECRTBUF.TXT"},
        {"108", "Gilon ver. 03", "KLV 00108001", 1, " i pliku ECRTBUF.TXT"},
        {"109", "Lunda 2400 PLU ver. 03", "KLV 00109001", 1, ""},
    };
    for (const Model& model : models) {
        SCOPED_TRACE(model.code);
        std::remove("ECRTBUF.TXT");
        std::remove(log().c_str());
        startRegister({"--model", model.code});
        const std::string first = std::string("#\r\n#") + model.identification + " (identyfikator odczytany z urzadzenia";
        const std::string later = first + model.cachedAfter + ")\r\n";

        ASSERT_EQ(ONrKasy("IN", "out"), 0);
        EXPECT_EQ(outputAfterFirstLine("out"), first + ")\r\n$01\r\n");
        EXPECT_EQ(requests("29").size(), model.blockRequests) << "a NAK to the blocks ends asking for them";

        ASSERT_EQ(ONrUnik("IN", "out.txt"), 0);
        EXPECT_EQ(outputAfterFirstLine("out.txt"), later + "$" + model.uniqueNumber + "\r\n");

        ASSERT_EQ(OStatus("IN", "out.txt"), 0);
        const std::string status = outputAfterFirstLine("out.txt");
        EXPECT_EQ(status.substr(0, later.size()), later);
        EXPECT_EQ(std::count(status.begin(), status.end(), '$'), 48);
        simulator_.reset();
    }
}

TEST_F(IdentityCommandsTest, StatusFlagsWithNakAndGroupsThatDoNotApply)
{
    startRegister({"--model", "121", "--fault", "nak:85"});
    ASSERT_EQ(OStatus("IN", "out.txt"), 0);
    const std::string text = outputAfterFirstLine("out.txt");
    std::string flags;
    for (std::size_t at = text.find("\r\n$"); at != std::string::npos; at = text.find("\r\n$", at + 1))
        flags += text.substr(text.find('\t', at) + 1, 1);
    EXPECT_EQ(flags, "00011100" "00000000" "????????" "00000000" "00000000" "????????")
        << "request 91 gives 0x38; 85 is refused; group 5 is for the Kamet rows only";
    EXPECT_NE(text.find("$01\t0\r\n$02\t0\r\n$03\t0\r\n$04\t1\r\n"), std::string::npos);
    EXPECT_EQ(requests("87").size(), 1u);
    EXPECT_EQ(requests("83").size(), 0u);
}

TEST_F(IdentityCommandsTest, PluCountIsFoundOnceAndKeptInTheCacheFile)
{
    startRegister({"--model", "28"});
    ASSERT_EQ(ONrUnik("IN", "out.txt"), 0);
    const auto probes = requests("230");
    EXPECT_LE(probes.size(), 17u);
    EXPECT_GE(probes.size(), 12u);
    EXPECT_EQ(readFile("ECRTBUF.TXT"),
        "$KLV00028001\t01\t28\tOrvan\t2400\tI\t03\tOrvan 2400 PLU I gen. ver. 03\r\n");

    ASSERT_EQ(ONrUnik("IN", "out.txt"), 0);
    EXPECT_EQ(requests("230").size(), probes.size()) << "the second run sends no probes";

    // A last line without its line break is mended before a new line is added.
    writeFile("ECRTBUF.TXT", "$OTHER\t02\t28\tOrvan\t100\tI\t03\tOrvan 100 PLU I gen. ver. 03");
    ASSERT_EQ(ONrKasy("IN", "out"), 0);
    EXPECT_EQ(readFile("ECRTBUF.TXT"),
        "$OTHER\t02\t28\tOrvan\t100\tI\t03\tOrvan 100 PLU I gen. ver. 03\r\n"
        "$KLV00028001\t01\t28\tOrvan\t2400\tI\t03\tOrvan 2400 PLU I gen. ver. 03\r\n");

    writeFile("ECRTBUF.TXT", "$KLV00028001\t01\t28\tOrvan\t2400\tI\t03\tOrvan 9999 PLU I gen. ver. 03\r\n");
    EXPECT_EQ(ONrKasy("IN", "out"), 60) << "a differing description is not read anew";
    EXPECT_NE(readFile("RAPORT.TXT").find("$1\t8\t$KLV00028001"), std::string::npos)
        << "the run report points at the cache line";
    writeFile("ECRTBUF.TXT", "$KLV00028001\t1x\t28\tOrvan\t2400\tI\t03\tOrvan 2400 PLU I gen. ver. 03\r\n");
    EXPECT_EQ(ONrKasy("IN", "out"), 60);
}

TEST_F(IdentityCommandsTest, RegisterNumberMustMatchTheInputFile)
{
    startRegister({"--model", "121"});
    writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX0:1\t2\tKELVO\r\n$2\tCOM7:9600:MUX0:1\t2\tKELVO\r\n");
    writeFile("IN", "#2\r\n#\r\n#\r\n");
    EXPECT_EQ(ONrKasy("IN", "out"), 0) << "reading the number never fails on it";
    EXPECT_EQ(ONrUnik("IN", "out.txt"), 22);
    EXPECT_EQ(OStatus("IN", "out.txt"), 22);
    SygnalizowanieBleduWeryfikacjiNumeruUrzadzenia(0);
    EXPECT_EQ(ONrUnik("IN", "out.txt"), 0);
    SygnalizowanieBleduWeryfikacjiNumeruUrzadzenia(1);
    EXPECT_EQ(ONrUnik("IN", "out.txt"), 22);
}

TEST_F(IdentityCommandsTest, MemoryCommandsOfOtherModelsAndEmptyInputsDoNotReportSuccess)
{
    startRegister({"--model", "121"});
    EXPECT_EQ(X000033X("IN", "report.txt"), 25) << "not a register that prints its reports";
    EXPECT_EQ(KDBarkod("IN"), 11) << "a data line without a number";
    EXPECT_EQ(readFile("report.txt"), "") << "the memory command writes no header lines of its own";
}
