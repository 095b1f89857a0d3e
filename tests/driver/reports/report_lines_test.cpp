#include "driver/reports/report_lines.h"

#include "driver/files/textfile.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/files/text_helpers.h"
#include "driver/reports/records.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;
using namespace kelvo::drv::report;
using kelvo::test::readFile;

TEST(ReportTextPrimitives, JustifyCentreSpacedAndRule)
{
    EXPECT_EQ(justify("od dn.12r01.02", "do dn.12r01.31", 40), "od dn.12r01.02            do dn.12r01.31");
    EXPECT_EQ(justify("Ilość", "0012", 9), "Ilość0012") << "no room: joined without blanks";
    EXPECT_EQ(justify("abcdef", "ghij", 8), "abcdefghij") << "longer than the width: plain concatenation";
    EXPECT_EQ(centre("AB", 5), " AB  ") << "first blank on the right";
    EXPECT_EQ(centre("AB", 6), "  AB  ");
    EXPECT_EQ(centre("ABCDEFG", 4), "ABCDEFG");
    EXPECT_EQ(spaced("RAPORT  FISKALNY"), "R A P O R T     F I S K A L N Y ");
    EXPECT_EQ(centre(spaced("OKRESOWY"), 40), "            O K R E S O W Y             ");
    EXPECT_EQ(rule(5), "-----");
    EXPECT_EQ(twoDigits(7), "07");
    EXPECT_EQ(fourDigits(7), "0007");
    EXPECT_EQ(fourDigits(12345), "12345");
    EXPECT_EQ(recordDate(9, 1, 31), "09r01.31");
    EXPECT_EQ(clockTime(7, 5), "07:05");
}

TEST(ReportTextPrimitives, PolishLettersBecomeWindows1250)
{
    EXPECT_EQ(windows1250("Łączna należność"), "\xA3\xB9" "czna nale\xBFno\x9C\xE6");
    EXPECT_EQ(windows1250("ąćęłńóśżźĄĆĘŁŃÓŚŻŹ"),
        "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\xBF\x9F\xA5\xC6\xCA\xA3\xD1\xD3\x8C\xAF\x8F");
    EXPECT_EQ(windows1250("Ilość pozycji"), "Ilo\x9C\xE6 pozycji");
    EXPECT_EQ(windows1250("€ x"), "? x") << "no Windows-1250 letter of the table";
}

class ReportLinesTest : public kelvo::test::DriverTest {};

TEST_F(ReportLinesTest, LinesArePaddedWrittenAndCounted)
{
    ASSERT_TRUE(openFile(ctx.files.output, "OUT", 1));
    DecodedRecord section;
    ReportLines lines(10, section);
    EXPECT_TRUE(lines.emit("dn.", Counted::Yes));
    EXPECT_TRUE(lines.emitJustified("nr", "0001", Counted::Yes));
    EXPECT_TRUE(lines.emitCentred("X"));
    EXPECT_TRUE(lines.emitRule());
    EXPECT_TRUE(lines.emit(std::string(1500, 'x')));
    EXPECT_EQ(section.printedLines, 2u);
    EXPECT_EQ(kelvo::drv::fourDigits(section.printedLines), "0002");
    closeFile(ctx.files.output);
    EXPECT_EQ(readFile("OUT"), "dn.       \r\nnr    0001\r\n    X     \r\n----------\r\n" + std::string(1023, 'x') + "\r\n");
    EXPECT_TRUE(isSuccess());
}

TEST_F(ReportLinesTest, FailedWriteStoresError17)
{
    DecodedRecord section;
    ReportLines lines(40, section);
    EXPECT_FALSE(lines.emit("dn.", Counted::Yes));
    EXPECT_EQ(ctx.outcome.resultCode, condition::OutputWrite);
    EXPECT_EQ(section.printedLines, 0u);
}
