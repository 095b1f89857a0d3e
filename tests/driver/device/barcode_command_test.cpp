// KDBarkod against the register simulator: one request a data line, eight
// bytes to registers with a readable fiscal memory and six to the others,
// with their digit limits.
#include <kelvo/kelvodrv.h>

#include "tests/driver/register_fixture.h"

using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

class BarcodeCommandTest : public kelvo::test::RegisterTest {
protected:
    int run(const std::string& dataLines)
    {
        writeFile("codes", "#1\r\n#\r\n#\r\n" + dataLines);
        return KDBarkod("codes");
    }
};

}

TEST_F(BarcodeCommandTest, EightBytesToARegisterWithAReadableFiscalMemory)
{
    startRegister({"--model", "121"});
    ASSERT_EQ(run("$123456789\r\n$999999999999999999\r\n"), 0) << readFile("RAPORT.TXT");
    const auto sent = requests("141");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].starts_with("cmd=141 data=[15 CD 5B 07 00 00 00 00]")) << sent[0];
    EXPECT_TRUE(sent[1].starts_with("cmd=141 data=[FF FF 63 A7 B3 B6 E0 0D]")) << sent[1];

    EXPECT_EQ(run("$1\r\n$1000000000000000000\r\n$2\r\n"), 11) << "19 digits";
    EXPECT_EQ(requests("141").size(), 3u) << "the lines before it were sent, none after";
    EXPECT_EQ(run("$1\r\n$12a\r\n"), 11);
    EXPECT_EQ(run("$1\r\n#2\r\n"), 11) << "a last line of another kind";
    EXPECT_EQ(run(""), 10);
    EXPECT_EQ(run("; nothing\r\n"), 10);
    EXPECT_TRUE(requests("237").empty());
}

TEST_F(BarcodeCommandTest, SixBytesToTheOthers)
{
    startRegister({"--model", "22"});
    ASSERT_EQ(run("$9999999999999\r\n$12 345\r\n"), 0) << readFile("RAPORT.TXT");
    const auto sent = requests("237");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].starts_with("cmd=237 data=[FF 9F 72 4E 18 09]")) << sent[0];
    EXPECT_TRUE(sent[1].starts_with("cmd=237 data=[39 30 00 00 00 00]")) << sent[1];
    EXPECT_EQ(run("$10000000000000\r\n"), 11) << "14 digits";
    EXPECT_EQ(requests("237").size(), 2u);
    simulator_.reset();

    startRegister({"--model", "22", "--fault", "status:237:3:1"});
    EXPECT_EQ(run("$1\r\n$2\r\n"), 103) << "the register's refusal ends the command";
    EXPECT_EQ(requests("237").size(), 3u) << "one more request, none after the refusal";
}
