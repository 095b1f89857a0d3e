#include "driver/files/text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelvo/kelvodrv.h"

namespace kelvo::drv {
namespace {

TEST(TextHelperParts, AppendsThreeParts)
{
    std::string text = "abc";
    appendThree(text, "1", "", "23");
    EXPECT_EQ(text, "abc123");
}

TEST(TextHelperCleanUp, TrimsSpacesOnlyAndCleansFields)
{
    EXPECT_EQ(trimmed("  a b  "), "a b");
    EXPECT_EQ(trimmed("\ta "), "\ta");
    EXPECT_EQ(trimmed("   "), "");
    const std::pair<const char*, const char*> fields[] = {
        {"", ""}, {";", ""}, {"a", "a"}, {" ", " "}, {";abc", ""}, {"ab", "AB"}, {"com1;x", "COM1"},
        {" \t com1:9600 \t;comment", "COM1:9600"}, {"  ;x", ""}, {"\t\t", ""}, {"5\t", "5"},
    };
    for (const auto& [text, expected] : fields)
        EXPECT_EQ(cleanedField(text), expected) << '"' << text << '"';
}

TEST(TextHelperLayout, PadsFillsSpreadsAndWritesNumbers)
{
    EXPECT_EQ(padded("AB", 5, '*', PadSide::Left), "***AB");
    EXPECT_EQ(padded("AB", 5, '*', PadSide::Right), "AB***");
    EXPECT_EQ(padded("AB", 5, '*', PadSide::BothStartingLeft), "**AB*");
    EXPECT_EQ(padded("AB", 5, '*', PadSide::BothStartingRight), "*AB**");
    EXPECT_EQ(padded("AB", 3, ' ', PadSide::BothStartingRight), "AB ");
    EXPECT_EQ(padded("ABCDEF", 5, '*', PadSide::Left), "ABCDEF");
    EXPECT_EQ(filledBetween("L", "R", 5, ' '), "L   R");
    EXPECT_EQ(filledBetween("LEFT", "RIGHT", 5, ' '), "LEFTRIGHT");
    EXPECT_EQ(spread("AB", ' ', 1), "A B ");
    EXPECT_EQ(spread("AB", '-', 2), "A--B--");

    EXPECT_EQ(decimalText(std::uint64_t{0}), "0");
    EXPECT_EQ(decimalText(UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(twoDigits(7), "07");
    EXPECT_EQ(twoDigits(123), "123");
    EXPECT_EQ(fourDigits(7), "0007");
    EXPECT_EQ(fourDigits(12345), "12345");
}

TEST(TextHelperExported, ComparesClearsAndJoins)
{
    EXPECT_EQ(JednakoweNapisy("abc", "abc"), 1);
    EXPECT_EQ(JednakoweNapisy("abc", "ABC"), 0);
    EXPECT_EQ(JednakoweNapisy("abc", "abcd"), 0);
    EXPECT_EQ(JednakoweNapisy(nullptr, ""), 1);

    std::vector<char> buffer(1024, 'x');
    ZerowanieNapisu(buffer.data());
    EXPECT_EQ(buffer, std::vector<char>(1024, '\0'));
    DolaczenieZnakuDoNapisu(buffer.data(), 'b');
    DolaczenieNapisuDoZnaku(buffer.data(), 'a');
    DolaczenieSpacjiDoNapisu(buffer.data());
    DolaczenieNapisuDoSpacji(buffer.data());
    EXPECT_STREQ(buffer.data(), " ab ");
}

// A full text in a buffer of exactly 1024 bytes: appending changes nothing,
// putting a character in front drops the last one; nothing is written past it.
TEST(TextHelperExported, FullBuffersAreNeverOverrun)
{
    std::vector<char> buffer(1024, '\xE6');
    buffer[1023] = '\0';
    DolaczenieZnakuDoNapisu(buffer.data(), 'z');
    DolaczenieSpacjiDoNapisu(buffer.data());
    EXPECT_EQ(std::string(buffer.data()), std::string(1023, '\xE6'));
    DolaczenieNapisuDoZnaku(buffer.data(), 'a');
    DolaczenieNapisuDoSpacji(buffer.data());
    EXPECT_EQ(std::string(buffer.data()), " a" + std::string(1021, '\xE6'));

    std::vector<char> unterminated(1023, 'q');
    EXPECT_EQ(JednakoweNapisy(unterminated.data(), unterminated.data()), 1);
    ZerowanieNapisu(nullptr);
    DolaczenieZnakuDoNapisu(nullptr, 'a');
}

}
}
