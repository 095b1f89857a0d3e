#include "frontend/logic/parameter_files.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "frontend/logic/connection_choice.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;
using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

class FrontFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    kelvo::test::TempDir dir_;
    std::filesystem::path previous_;
};

ParameterRecord connection(std::int32_t port, std::int32_t speed, std::int32_t type, std::int32_t channel)
{
    ParameterRecord r;
    r.port = port;
    r.speed = speed;
    r.multiplexerType = type;
    r.channel = channel;
    r.portTimeout = 2;
    return r;
}

}

TEST(ParameterFiles, ReportLinesByKind)
{
    ParameterRecord r;
    EXPECT_EQ(reportLine(r), "") << "no kind chosen yet";
    r.reportKind = 1;
    r.year = 2009;
    r.month = 3;
    EXPECT_EQ(reportLine(r), "1\t2009.03");
    r.month = 12;
    EXPECT_EQ(reportLine(r), "1\t2009.12");
    r = {};
    r.reportKind = 6;
    r.firstYear = 2009;
    r.firstMonth = 1;
    r.firstDay = 5;
    r.lastYear = 2009;
    r.lastMonth = 2;
    r.lastDay = 28;
    EXPECT_EQ(reportLine(r), "6\t2009.01.05\t2009.02.28");
    r.reportKind = 2;
    EXPECT_EQ(reportLine(r), "2\t2009.01.05\t2009.02.28");
    r.reportKind = 3;
    r.numberFrom = 1;
    r.numberTo = 2060;
    r.month = 7;
    EXPECT_EQ(reportLine(r), "3\t1\t2060") << "values of other kinds are not written";
    r.reportKind = 7;
    EXPECT_EQ(reportLine(r), "7\t1\t2060");
    for (int kind : {4, 5, 8}) {
        r.reportKind = kind;
        EXPECT_EQ(reportLine(r), std::to_string(kind));
    }
}

TEST_F(FrontFolderTest, FilesAreWrittenAnewAndTheSameEachTime)
{
    writeFile("konfig.txt", "old contents that are longer than the new line\r\n");
    ParameterRecord record = connection(2, 19200, 0, 1);
    record.reportKind = 1;
    record.year = 2009;
    record.month = 3;
    writeParameterFiles(record, 1);
    EXPECT_EQ(readFile("konfig.txt"), "$1\tCOM2:19200:MUX0:1\t2\tKELVO") << "the file of another case is written";
    EXPECT_FALSE(std::filesystem::exists("KONFIG.TXT"));
    EXPECT_EQ(readFile("IN1"), "#1\r\n#\r\n#\r\n$MARK\t0");
    EXPECT_EQ(readFile("IN"), "#1\r\n#\r\n#\r\n$1\t2009.03");

    const std::string konfig = readFile("konfig.txt");
    const std::string in1 = readFile("IN1");
    const std::string in = readFile("IN");
    writeParameterFiles(record, 1);
    EXPECT_EQ(readFile("konfig.txt"), konfig);
    EXPECT_EQ(readFile("IN1"), in1);
    EXPECT_EQ(readFile("IN"), in);

    record = connection(7, 9600, 4, 6);
    writeParameterFiles(record, 12);
    EXPECT_EQ(readFile("konfig.txt"), "$12\tCOM7:9600:MUX4:6\t2\tKELVO");
    EXPECT_EQ(readFile("IN1"), "#12\r\n#\r\n#\r\n$NONE\t0");
    EXPECT_EQ(readFile("IN"), "#12\r\n#\r\n#\r\n$");
}

TEST_F(FrontFolderTest, OutputsReadBack)
{
    writeFile("out", "#h1\r\n#h2\r\n#h3\r\n$07\r\n");
    EXPECT_EQ(registerNumberFromOutput("out"), 7);
    writeFile("out", "#h1\r\n#h2\r\n#h3\r\n$100\r\n");
    EXPECT_EQ(registerNumberFromOutput("out"), std::nullopt) << "a register number above 99 is ignored";
    writeFile("out", "#h1\r\n#h2\r\n");
    EXPECT_EQ(registerNumberFromOutput("out"), std::nullopt);
    EXPECT_EQ(registerNumberFromOutput("missing"), std::nullopt);

    writeFile("out.txt", "a\r\nb\r\n" + std::string(150, 'x') + "\r\nlast");
    const auto lines = plainLines("out.txt", 6);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2].size(), 99u);
    EXPECT_EQ(lines[3], "last");
}

TEST_F(FrontFolderTest, PrefillFromTheLastConfiguration)
{
    EXPECT_EQ(readLastConnection("konfig.txt"), std::nullopt) << "first start";
    ParameterRecord record;
    ConnectionChoice choice;
    EXPECT_EQ(choice.port, 1);
    EXPECT_EQ(choice.speedItem, 0);
    EXPECT_EQ(choice.kindItem, 0);

    writeFile("KONFIG.TXT", "$1\tCOM3:19200:MUX4:6\t5\tKELVO");
    auto last = readLastConnection("konfig.txt");
    ASSERT_TRUE(last.has_value());
    prefill(*last, record, choice);
    EXPECT_EQ(choice.port, 3);
    EXPECT_EQ(choice.speedItem, 1);
    EXPECT_EQ(choice.kindItem, 2);
    EXPECT_EQ(choice.channelItem, 5);
    EXPECT_EQ(record.portTimeout, 5);

    writeFile("KONFIG.TXT", "$1\tCOM12:38400:MUX1:2\t5\tKELVO");
    choice = {};
    last = readLastConnection("konfig.txt");
    ASSERT_TRUE(last.has_value());
    prefill(*last, record, choice);
    EXPECT_EQ(choice.port, 12);
    EXPECT_EQ(choice.speedItem, 0) << "a speed the list does not have leaves it";
    EXPECT_EQ(choice.kindItem, 1);
    EXPECT_EQ(record.speed, 38400);

    for (const char* bad : {"$x\tCOM1:9600:MUX0:1\t2", "$1\tCOM:9600:MUX0:1\t2", "$1\tCOM1:9600:MUX0\t2",
             "$1\tCOM1:9600:MUX0:1\t70000", "#1\tCOM1:9600:MUX0:1\t2"}) {
        writeFile("KONFIG.TXT", bad);
        EXPECT_EQ(readLastConnection("konfig.txt"), std::nullopt) << bad;
    }

    choice = ConnectionChoice {5, 3, 0, 4};
    takeChoice(choice, record);
    EXPECT_EQ(record.channel, 1) << "a direct connection always writes channel 1";
    EXPECT_EQ(record.speed, 57600);
    EXPECT_EQ(record.portTimeout, 2);
}
