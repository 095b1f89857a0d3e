#include "driver/files/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvo::drv {
namespace {

std::string row(unsigned r)
{
    return std::string(kPolishLetters[r].begin(), kPolishLetters[r].end());
}

TEST(CodePageConversion, MapsEachLetterToItsPlaceInTheTargetRow)
{
    for (const auto& [from, to] : {std::pair{kRowCp852, kRowWindows1250}, {kRowWindows1250, kRowCp852},
                                   {kRowCp852, kRowPlain}, {kRowWindows1250, kRowPlain}}) {
        std::string text = row(from);
        ASSERT_TRUE(convertCodePage(text, from, to));
        EXPECT_EQ(text, row(to)) << from << " to " << to;
    }
    EXPECT_EQ(row(kRowPlain), "acelnoszzACELNOSZZ");

    // 0xA5 is a letter in both rows (ą in 852, Ą in 1250) and converts once.
    std::string text = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xA5 12";
    ASSERT_TRUE(convertCodePage(text, kRowWindows1250, kRowCp852));
    EXPECT_EQ(text, "Za\xBE\xA2\x88\x86 g\xA9\x98l\xA4 12");
    ASSERT_TRUE(convertCodePage(text, kRowCp852, kRowPlain));
    EXPECT_EQ(text, "Zazolc geslA 12");
}

TEST(CodePageConversion, LeavesTextsWithoutPolishLettersAlone)
{
    // Only the rows with diacritics: the plain row's letters are ordinary ones.
    for (const unsigned from : {kRowCp852, kRowWindows1250}) {
        for (const unsigned to : {kRowCp852, kRowWindows1250, kRowPlain}) {
            std::string text = "KASA nr 5: <OK>";
            EXPECT_TRUE(convertCodePage(text, from, to));
            EXPECT_EQ(text, "KASA nr 5: <OK>") << from << " to " << to;
        }
    }
    std::string empty;
    EXPECT_TRUE(convertCodePage(empty, kRowCp852, kRowPlain));
    EXPECT_EQ(empty, "");
}

TEST(CodePageConversion, RefusesRowsAboveTwo)
{
    std::string text = row(kRowCp852);
    EXPECT_FALSE(convertCodePage(text, 3, kRowWindows1250));
    EXPECT_FALSE(convertCodePage(text, kRowCp852, 3));
    EXPECT_EQ(text, row(kRowCp852));
}

}
}
